// Where the history graph and accessory windows meet the rest of the program: the calls they
// make into the main window and the link (bound by the main window), and the listener that hands
// the link's history and accessory events to graphform and xalform.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/qvLink.h"
#include "ui/formsLink.h"

namespace talvik {

struct TGraphXalHost {
    // Status-bar panel 5 of the main window.
    std::function<void(const std::string&)> ShowStatus;
    // The accessory write (false when nothing was sent).
    std::function<bool()> startxalwrite;
    // The graph window closed: the main window's graph tool button comes up.
    std::function<void()> GraphClosed;
    // The four traces chosen in the graph window, kept by the main window across openings.
    std::int32_t* TraceSelection = nullptr;
};
extern TGraphXalHost GraphXalHost;

// Lets the two windows reach this link.
void BindGraphXalToLink(TLink& Link);

// Adds the graph and accessory windows to the data windows' forwarding.
class TGraphXalListener : public TDataFormsListener {
public:
    void ProgressStep(std::int32_t Kind) override;
    void GraphDraw() override;
    void GraphClear() override;
    void GraphScaleDraw() override;
    void GraphWaitRepaint() override;
    void GraphReadEnded() override;
    void XalDisplay() override;
    void XalLoadData() override;
    void XalReadError() override;
    void XalWriteStarted() override;
    void XalWriteDone(const std::string& Checklab) override;
};

}  // namespace talvik
