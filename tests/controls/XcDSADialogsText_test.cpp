// The message dialog's texts, standard buttons and layout arithmetic, without windows.
#include <gtest/gtest.h>

#include "controls/XcDSADialogsLayout.h"
#include "controls/XcDSADialogsText.h"

using namespace talvik;

TEST(DialogButtons, OneOkButtonAnswersBothEnterAndEscapeAndHasNoHelp) {
    TResolvedButtons r = ResolveDialogButtons({dbOK}, dbDialogChooses, dbDialogChooses, dbHelp);
    EXPECT_EQ(r.Captions, (std::vector<std::string>{"OK"}));
    EXPECT_EQ(r.Results, (std::vector<int>{1}));
    EXPECT_EQ(r.DefaultButton, 0);
    EXPECT_EQ(r.CancelButton, 0);
    EXPECT_EQ(r.HelpButton, -1);
}

TEST(DialogButtons, ShownInEnumerationOrderWithTheDialogsOwnChoice) {
    TResolvedButtons r =
        ResolveDialogButtons({dbHelp, dbCancel, dbNo, dbYes}, dbDialogChooses, dbDialogChooses, dbHelp);
    EXPECT_EQ(r.Captions, (std::vector<std::string>{"&Yes", "&No", "Cancel", "&Help"}));
    EXPECT_EQ(r.Results, (std::vector<int>{6, 7, 2, 0}));
    EXPECT_EQ(r.DefaultButton, 0);  // no OK: Yes
    EXPECT_EQ(r.CancelButton, 2);   // Cancel before No
    EXPECT_EQ(r.HelpButton, 3);

    r = ResolveDialogButtons({dbAbort, dbRetry, dbIgnore}, dbDialogChooses, dbDialogChooses, dbHelp);
    EXPECT_EQ(r.DefaultButton, 1);  // neither OK nor Yes: Retry
    EXPECT_EQ(r.CancelButton, -1);  // no Cancel, No or OK
    r = ResolveDialogButtons({dbYes, dbNo}, dbNo, dbYes, dbHelp);
    EXPECT_EQ(r.DefaultButton, 1);
    EXPECT_EQ(r.CancelButton, 0);
    r = ResolveDialogButtons({dbAll, dbNoToAll, dbYesToAll}, dbDialogChooses, dbDialogChooses, dbHelp);
    EXPECT_EQ(r.Captions, (std::vector<std::string>{"&All", "N&o to All", "Yes to &All"}));
    EXPECT_EQ(r.Results, (std::vector<int>{8, 9, 10}));
}

TEST(DialogKinds, TitlesAndButtonTable) {
    EXPECT_EQ(DialogKindTitle(dkWarning), "Warning");
    EXPECT_EQ(DialogKindTitle(dkError), "Error");
    EXPECT_EQ(DialogKindTitle(dkInformation), "Information");
    EXPECT_EQ(DialogKindTitle(dkConfirmation), "Confirm");
    EXPECT_EQ(DialogKindTitle(dkCustom), "");
    EXPECT_EQ(DialogButtonResult(dbAbort), 3);
    EXPECT_EQ(DialogButtonResult(dbIgnore), 5);
    EXPECT_EQ(DialogButtonCaption(dbRetry), "&Retry");
}

TEST(DialogCountdown, MinutesAndSecondsWithSingulars) {
    EXPECT_EQ(DefaultCountdownText(65), "This dialog is closing in 1 minute 5 seconds.");
    EXPECT_EQ(DefaultCountdownText(121), "This dialog is closing in 2 minutes 1 second.");
    EXPECT_EQ(DefaultCountdownText(60), "This dialog is closing in 1 minute 0 seconds.");
    EXPECT_EQ(DefaultCountdownText(1), "This dialog is closing in 1 second.");
    EXPECT_EQ(DefaultCountdownText(59), "This dialog is closing in 59 seconds.");
}

TEST(DialogClipboard, PartsBetweenDividersWithoutHotkeyMarkers) {
    const std::string d = std::string(27, '-') + "\r\n";
    EXPECT_EQ(DialogClipboardText("Information", "Nothing to save", {"OK"}),
              d + "Information\r\n" + d + "Nothing to save\r\n" + d + "OK   \r\n" + d);
    EXPECT_EQ(DialogClipboardText("Confirm", "Sure?", {"&Yes", "N&o to All"}),
              d + "Confirm\r\n" + d + "Sure?\r\n" + d + "Yes   No to All   \r\n" + d);
}

TEST(DialogLayout, UnitsAreRoundedMultiplyDivides) {
    EXPECT_EQ(MulDivRound(14, 13, 8), 23);  // 22.75
    EXPECT_EQ(MulDivRound(10, 13, 8), 16);  // 16.25
    EXPECT_EQ(MulDivRound(5, 1, 2), 3);
    EXPECT_EQ(MulDivRound(-5, 1, 2), -3);
    TDialogUnits u = DialogUnits(6, 13);
    EXPECT_EQ(u.HorzMargin, 12);
    EXPECT_EQ(u.VertMargin, 13);
    EXPECT_EQ(u.HorzSpacing, 15);
    EXPECT_EQ(u.VertSpacing, 16);
    EXPECT_EQ(u.ButtonWidth, 75);
    EXPECT_EQ(u.ButtonHeight, 23);
    EXPECT_EQ(u.ButtonSpacing, 6);
}

TEST(DialogLayout, MessageWrapsAtHalfTheScreenOrTheNarrowArea) {
    EXPECT_EQ(MessageWidthLimit(1280, {0, 0, 1280, 1024}), 640);
    EXPECT_EQ(MessageWidthLimit(1280, {100, 50, 200, 300}), 400);
}

TEST(DialogLayout, ShortMessageGivesTheButtonRowPlusMarginsCentred) {
    TDialogMeasures m;
    m.CharWidth = 6;
    m.CharHeight = 13;
    m.ButtonCount = 3;
    m.WidestButtonCaption = 50;
    m.TextWidth = 80;
    m.TextHeight = 13;
    m.HasIcon = true;
    m.IconWidth = m.IconHeight = 32;
    m.Area = {0, 0, 1280, 1024};
    m.FrameWidth = 6;
    m.FrameHeight = 25;
    TDialogLayout l = LayoutMessageDialog(m);
    EXPECT_EQ(l.ClientWidth, 3 * 75 + 2 * 6 + 2 * 12);
    EXPECT_EQ(l.ClientHeight, 32 + 23 + 2 * 16 + 13);
    EXPECT_EQ(l.Left, 640 - (l.ClientWidth + 6) / 2);
    EXPECT_EQ(l.Top, 512 - (l.ClientHeight + 25) / 2);
    EXPECT_EQ(l.Image, (TBox{10, 11, 36, 36}));
    EXPECT_EQ(l.Message, (TBox{12 + 32 + 15, 13, 80, 13}));
    ASSERT_EQ(l.Buttons.size(), 3u);
    EXPECT_EQ(l.Buttons[0], (TBox{12, 32 + 13 + 16, 75, 23}));
    EXPECT_EQ(l.Buttons[2].Left, 12 + 2 * 81);

    // A wide caption widens every button; a long text widens the box.
    m.WidestButtonCaption = 90;
    m.TextWidth = 600;
    l = LayoutMessageDialog(m);
    EXPECT_EQ(l.Buttons[0].Width, 98);
    EXPECT_EQ(l.ClientWidth, 600 + 32 + 15 + 24);
    EXPECT_EQ(l.Buttons[0].Left, (l.ClientWidth - (3 * 98 + 12)) / 2);
}

TEST(DialogLayout, CheckBoxAndCountdownLinesBelowTheButtons) {
    TDialogMeasures m;
    m.CharWidth = 6;
    m.CharHeight = 13;
    m.ButtonCount = 1;
    m.TextWidth = 50;
    m.TextHeight = 26;
    m.HasCountdown = true;
    m.CountdownWidth = 300;
    m.Area = {0, 0, 800, 600};
    TDialogLayout l = LayoutMessageDialog(m);
    const int below = 26 + 13 + 2 * 16 + 23;
    EXPECT_EQ(l.ClientWidth, 300 + 24);
    EXPECT_EQ(l.ClientHeight, 26 + 23 + 32 + 13 + 13 + kCountdownSpace);
    EXPECT_EQ(l.Countdown, (TBox{12, below, 300, 13}));
    EXPECT_EQ(l.Message.Left, 12);

    m.HasCheckBox = true;
    m.CheckTextWidth = 400;
    l = LayoutMessageDialog(m);
    EXPECT_EQ(l.ClientWidth, 417 + 24);
    EXPECT_EQ(l.CheckBox, (TBox{12, below, 417, kCheckBoxSpace}));
    EXPECT_EQ(l.Countdown.Top, below + 13 + kCheckBoxSpace);
    EXPECT_EQ(l.ClientHeight, 26 + 23 + 32 + 13 + 13 + kCheckBoxSpace + 13 + kCountdownSpace);

    m.RightToLeft = true;
    l = LayoutMessageDialog(m);
    EXPECT_EQ(l.Message.Left, l.ClientWidth - 12 - 50);
}
