// The graph and accessory windows' side of the link (see graphxalLink.h).
#include "ui/graphxalLink.h"

#include "ui/Datadisp.h"
#include "ui/xalprog.h"

namespace talvik {

TGraphXalHost GraphXalHost;

void BindGraphXalToLink(TLink& Link) {
    GraphXalHost.startxalwrite = [&Link] { return Link.startxalwrite(); };
}

void TGraphXalListener::ProgressStep(std::int32_t Kind) {
    TDataFormsListener::ProgressStep(Kind);
    if (graphform && Kind == 10) graphform->progressstep();
}
void TGraphXalListener::GraphDraw() {
    if (graphform) graphform->drawgraph();
}
void TGraphXalListener::GraphClear() {
    if (graphform) graphform->cleargraph();
}
void TGraphXalListener::GraphScaleDraw() {
    if (graphform) graphform->scaledraw();
}
void TGraphXalListener::GraphWaitRepaint() {
    if (graphform) graphform->WaitRepaint();
}
void TGraphXalListener::GraphReadEnded() {
    if (graphform) graphform->ReadEnded();
}
void TGraphXalListener::XalDisplay() {
    if (xalform) xalform->Xaltodis();
}
void TGraphXalListener::XalLoadData() {
    if (xalform) xalform->Loaddata();
}
void TGraphXalListener::XalReadError() {
    if (xalform) xalform->ShowCheck(Text(TLinkText::ReadError), RGB(255, 0, 0));
}
void TGraphXalListener::XalWriteStarted() {
    if (xalform) xalform->ShowCheck(XalTextOf(xrSend, LanguageNumber), RGB(255, 255, 0));
}
void TGraphXalListener::XalWriteDone(const std::string& Checklab) {
    if (xalform) xalform->ShowCheck(Checklab, GetSysColor(COLOR_BTNFACE));
}

}  // namespace talvik
