// The link's texts come out of the language tables: English equals the link's own wording.
#include "ui/langLink.h"

#include <gtest/gtest.h>

#include "ui/lang.h"

namespace talvik {
namespace {

TEST(LinkTexts, EnglishMatchesTheLinkAndOtherLanguagesTranslate) {
    const TLinkText all[] = {TLinkText::RequestSent, TLinkText::DataReceived, TLinkText::Timeout,
                             TLinkText::CantOpenPort, TLinkText::CommFail, TLinkText::SendingData,
                             TLinkText::PortNotOpen, TLinkText::NoConnection, TLinkText::PortOpen,
                             TLinkText::PortSetOK, TLinkText::PortSetException, TLinkText::BadHandle,
                             TLinkText::Reply, TLinkText::Site, TLinkText::Error, TLinkText::Send,
                             TLinkText::ReadError, TLinkText::Checksum};
    for (TLinkText t : all) {
        EXPECT_EQ(LinkTextOf(t, LangEnglish), EnglishLinkText(t));
        if (t != TLinkText::Checksum) {
            EXPECT_FALSE(LinkTextOf(t, LangChinese).empty());
        }
    }
    EXPECT_EQ(LinkTextOf(TLinkText::CommFail, LangGerman), "Kommunikationsfehler");
    EXPECT_EQ(LinkTextOf(TLinkText::Checksum, LangGerman), "");
    EXPECT_EQ(LinkTextOf(TLinkText::Timeout, LangFrench), "");  // the French status column is thin
    EXPECT_EQ(LinkTextOf(TLinkText::Reply, LangFrench), "Réponse :");
}

}  // namespace
}  // namespace talvik
