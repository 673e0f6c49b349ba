#pragma once

#include <QTimer>
#include <memory>

#include "platform/WindowSystem.h"
#include "ui/panels/PanelTiming.h"

namespace wystrand {

class NotifyPanel;

// A window made ahead: one empty card window, made a moment after start-up and after each show
// and readied by the window system (CardWindow::mapAhead), so that a show only fills it and moves
// it into place. A burst of shows makes none until it is over: each of its windows is mapped
// once, in place, with its card in it. Main thread only.
class WindowAhead {
public:
    WindowAhead(PanelTiming timing, WindowSystem& windows);
    ~WindowAhead();

    // An empty panel for a new card, the caller's to own: the one made ahead, else a new one.
    NotifyPanel* take();

private:
    void make();

    PanelTiming timing_;
    WindowSystem& windows_;
    std::unique_ptr<NotifyPanel> ready_;
    QTimer timer_;
};

}  // namespace wystrand
