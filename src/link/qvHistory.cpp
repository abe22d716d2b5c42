// History test and clear: every byte of the regulator's history page is read back, compared
// with the expected pattern and rewritten (behind the unlock frame) until all of them agree.
#include <array>

#include "base/debugchannel.h"
#include "base/format.h"
#include "base/rtl.h"
#include "link/qvEquates.h"
#include "link/qvLink.h"
#include "link/uVar.h"

namespace talvik {

namespace {

using DayTable = std::array<std::int32_t, 30>;
// Plausible daily values, one entry per day.
const std::array<DayTable, 6> HistoryTestPattern = {{
    {420, 480, 530, 340, 210, 180, 100, 390, 490, 450, 550, 388, 260, 210, 489,
     410, 490, 350, 340, 410, 280, 500, 190, 290, 150, 140, 188, 260, 270, 401},
    {120, 380, 430, 440, 310, 280, 200, 90,  190, 490, 310, 588, 250, 290, 410,
     440, 290, 250, 440, 420, 480, 300, 290, 230, 450, 440, 388, 270, 170, 301},
    {150, 143, 150, 150, 132, 130, 124, 131, 139, 145, 150, 150, 135, 136, 138,
     138, 150, 150, 150, 139, 138, 135, 134, 136, 150, 150, 129, 132, 150, 140},
    {114, 123, 124, 124, 118, 116, 120, 125, 127, 125, 126, 122, 122, 121, 120,
     118, 124, 125, 120, 118, 116, 119, 117, 120, 118, 117, 114, 116, 117, 120},
    {100, 82, 85, 74, 68, 62, 55, 94, 92, 81, 85, 68, 74, 76, 77,
     72,  90, 91, 83, 82, 73, 84, 73, 75, 66, 51, 44, 47, 62, 71},
    {104, 0, 149, 134, 0, 0, 0, 0, 0, 0, 127, 119, 0, 0, 0,
     0,   124, 125, 120, 0, 0, 0, 0, 0, 149, 134, 0, 0, 126, 0},
}};

// Sends of one position without its byte agreeing before the run gives up.
constexpr std::int32_t HistoryAttemptsPerPosition = 4;

}  // namespace

std::uint8_t historyvalue(std::int32_t N, bool Clear) {
    RangeCheck(N, 1, HistoryPositions);
    // The day pointer must stay a valid day, or the next history read leaves the page.
    if (N == HistoryPositions) return 0;
    if (Clear) {
        DebugChannel("send history clear command");
        return N == 1 ? 0 : 255;
    }
    const std::int32_t d = (N - 1) / 7;
    const std::int32_t b = N - 7 * d - 1;
    auto t = [d](int table) { return At(At(HistoryTestPattern, table), d); };
    std::int32_t v = 0;
    switch (b) {
    case 0: v = t(2); break;
    case 1: v = t(3); break;
    case 2: v = t(5); break;
    case 3: v = t(4); break;
    case 4: v = t(0) % 256; break;
    case 5: v = t(1) % 256; break;
    default: v = t(0) / 256 + 16 * (t(1) / 256); break;
    }
    return CheckedCast<std::uint8_t>(v);
}

bool TLink::starthistoryrun(bool Clear) {
    if (CommBusy || WriteBusy) return false;
    BeginTransfer();
    DataKind = 1;
    SendAll = false;
    HistLoadMode = true;
    HistClearMode = Clear;
    ReadNum = HistoryPositions;
    SingleCommandUnlock = true;
    RepeatCount = 0;
    // State 4 makes the handler read the day pointer once the parked write has had its time.
    comm_state = 4;
    sendcommand(202, DayPointerAddress - 256, 0, true);
    return true;
}

void TLink::LeaveHistoryMode() {
    HistLoadMode = false;
    HistClearMode = false;
    SingleCommandUnlock = false;
    UnlockPending = false;
    comm_state = 0;
}

void TLink::HistoryFailed() {
    DebugChannel("history run failed at position " + IntToStr(ReadNum));
    LeaveHistoryMode();
    ReadEndFlag = true;
    CommBusy = false;
    Beeps(3);
    Status(TLinkText::CommFail);
    Listener.SetReplyText(Listener.Text(TLinkText::Error));
}

void TLink::ComportnTriggerTimer_HISTLOAD(std::int32_t ReplyTicks, bool& Added, std::uint16_t& Handle) {
    DebugChannel("trigger timer event histload");
    ReadEndFlag = false;
    if (UnlockPending) sendcommand(202, ParkedAddress, ParkedData, false);

    std::uint8_t b = 0;
    if (Comport.CharReady()) {
        b = CommReceive();
        if (comm_state == 2) {
            comm_state = 3;
        } else if (comm_state > 3) {
            DebugChannel("Unexepected read character");
        } else if (comm_state == 1) {
            ReplyByte = b;
            if (b == ReadReplyMarker) {
                comm_state = 2;
                if (Comport.CharReady()) {
                    b = CommReceive();
                    comm_state = 3;
                }
            } else {
                DebugChannel("Not a valid read-reply");
            }
        }
    }

    auto readAgain = [this] {
        // A position that will not agree (or a regulator that stopped answering) ends the run.
        if (++RepeatCount > HistoryAttemptsPerPosition) {
            HistoryFailed();
            return;
        }
        comm_state = 1;
        sendcommand(72, readaddr(), 0, false);
    };

    if (comm_state == 3) {
        const std::uint8_t expected = historyvalue(ReadNum, HistClearMode);
        if (b == expected) {
            comm_state = 1;
            RepeatCount = 0;
            --ReadNum;
            if (ReadNum < 1) {
                ReadEndFlag = true;
                CommBusy = false;
                LeaveHistoryMode();
            } else {
                sendcommand(72, readaddr(), 0, false);
            }
        } else {
            comm_state = 4;
            UnlockPending = true;
            sendcommand(202, readaddr(), expected, true);
        }
    } else if (comm_state == 4 && reccount > 4) {
        readAgain();
    } else if ((comm_state == 1 || comm_state == 2) && reccount >= 6) {
        readAgain();
    }

    if (!ReadEndFlag) {
        Comport.SetTimerTrigger(Handle, ReplyTicks, true);
        ++reccount;
        DebugChannel("reset wait timer: reccount=" + IntToStr(reccount));
    } else {
        DebugChannel("Finish");
        RemoveTriggerChecked(Added, Handle);
        comm_state = 0;
    }
}

}  // namespace talvik
