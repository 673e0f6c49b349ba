#include "ui/panels/WindowManager.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "core/panels/StackLayout.h"
#include "ui/panels/MainScreen.h"
#include "ui/panels/NotifyPanel.h"

namespace wystrand {

namespace {

std::optional<QRect> visibleFrame() {
    const QScreen* screen = mainScreen();
    if (screen == nullptr) {
        return std::nullopt;
    }
    return screen->availableGeometry();
}

}  // namespace

WindowManager::WindowManager(PanelTiming timing, QObject* parent, ReleaseMemory releaseMemory)
    : QObject(parent), timing(timing) {
    releaseTimer.setSingleShot(true);
    releaseTimer.setInterval(timing.releaseMemory);
    connect(&releaseTimer, &QTimer::timeout, this, [releaseMemory = std::move(releaseMemory)] {
        if (releaseMemory) {
            releaseMemory();
        }
    });
}

// glibc keeps freed heap pages for reuse; after fifty cards about 4 MB of them would stay
// resident for good. Returning them costs one pass over the heap, once per emptied column.
void WindowManager::trimHeap() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

WindowManager::~WindowManager() {
    for (auto& [id, panel] : panels) {
        delete panel.data();
    }
}

void WindowManager::show(const ShowConfig& config, ReadyCallback onReady, ResultCallback onResult) {
    const std::optional<QRect> visible = visibleFrame();
    if (!visible) {
        return;
    }
    // Before the new card is entered anywhere, so it goes below every card already shown.
    const QRect frame = nextFrame(*visible, config.mode, liveHeights());

    auto* panel = new NotifyPanel(
        config,
        [manager = QPointer<WindowManager>(this), id = config.id,
         onResult = std::move(onResult)](std::int64_t code) {
            if (manager) {
                manager->forget(id);
                manager->restackPanels();
            }
            if (onResult) {
                onResult(code);
            }
        },
        timing);
    releaseTimer.stop();
    panels[config.id] = panel;
    panelOrder.push_back(config.id);
    panel->slideIn(frame);
    if (onReady) {
        onReady();
    }
}

void WindowManager::forget(const QString& id) {
    panels.erase(id);
    std::erase(panelOrder, id);
    // The closed card's widgets are deleted later, so the release waits a moment.
    if (panels.empty()) {
        releaseTimer.start();
    }
}

void WindowManager::dismiss(const QString& id) {
    const auto it = panels.find(id);
    if (it == panels.end() || !it->second) {
        return;
    }
    it->second->closeWithCode(2);
}

void WindowManager::dismissAll() {
    std::vector<QPointer<NotifyPanel>> snapshot;
    for (const auto& [id, panel] : panels) {
        snapshot.push_back(panel);
    }
    for (const auto& panel : snapshot) {
        if (panel) {
            panel->closeWithCode(2);
        }
    }
}

NotifyPanel* WindowManager::panel(const QString& id) const {
    const auto it = panels.find(id);
    return it == panels.end() ? nullptr : it->second.data();
}

std::vector<int> WindowManager::liveHeights() const {
    std::vector<int> heights;
    for (const QString& id : panelOrder) {
        if (NotifyPanel* p = panel(id)) {
            heights.push_back(p->height());
        }
    }
    return heights;
}

void WindowManager::restackPanels() {
    const std::optional<QRect> visible = visibleFrame();
    if (!visible || panelOrder.empty()) {
        return;
    }
    const std::vector<int> tops = restackTops(*visible, liveHeights());
    auto top = tops.begin();
    for (const QString& id : panelOrder) {
        if (NotifyPanel* p = panel(id); p != nullptr && top != tops.end()) {
            p->animateTo(*top++);
            // A window mapped since may have covered the column.
            p->raise();
        }
    }
}

}  // namespace wystrand
