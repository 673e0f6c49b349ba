#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/look/CardLook.h"
#include "core/panels/CardColumn.h"
#include "core/panels/PanelStack.h"
#include "platform/WindowSystem.h"
#include "ui/panels/PanelTiming.h"

namespace wystrand {

class NotifyPanel;

// Owns the card windows on screen and keeps them in one gap-free column at the top right of the
// visible frame of the screen the window system puts the column on. Main thread only.
class WindowManager : public QObject, public PanelStack {
    Q_OBJECT
public:
    // Hands the heap that closed cards freed back to the system; replaceable in tests.
    using ReleaseMemory = std::function<void()>;
    static void trimHeap();

    explicit WindowManager(PanelTiming timing = {}, QObject* parent = nullptr,
                           ReleaseMemory releaseMemory = trimHeap,
                           WindowSystem& windows = windowSystem());
    ~WindowManager() override;

    // Shows every card at once, whether or not it could wait: holding is HoldingStack's.
    void show(const ShowConfig& config, ReadyCallback onReady, ResultCallback onResult,
              HeldCallback onHeld = nullptr) override;
    void dismiss(const QString& id) override;
    void dismissAll() override;

    // The desktop's preferences, for the cards on screen now and for every card shown later.
    void setColorScheme(ColorScheme scheme);
    void setReducedMotion(bool reduced);

    // The newest card on screen under `id`, if any.
    NotifyPanel* panel(const QString& id) const;
    // The identifiers of the cards in the column, topmost first; one may stand twice.
    std::vector<QString> order() const;

signals:
    // Every live card follows these, whether or not it is still named under its identifier.
    void colorSchemeChanged(ColorScheme scheme);
    void reducedMotionChanged(bool reduced);

private:
    NotifyPanel* live(CardHandle card) const;
    void cardClosed(CardHandle card, CardResult result, ResultCallback onResult);
    void finishCloses();
    void restackPanels();
    void prepareSpare();

    PanelTiming timing;
    WindowSystem& windows;
    ColorScheme colorScheme = ColorScheme::noPreference;
    bool reducedMotion = false;
    // Every card from its show until it has finished closing; the windows follow it.
    CardColumn column;
    // A panel deletes itself once it has closed and told us.
    std::map<CardHandle, QPointer<NotifyPanel>> panels;
    CardHandle nextCard = 1;
    // Cards that finished closing in this turn of the event loop: one restack serves them
    // all, then each result goes out.
    std::vector<std::pair<ResultCallback, CardResult>> closed;
    bool finishQueued = false;
    // An empty window made while idle, so that a show only fills and maps it.
    std::unique_ptr<NotifyPanel> spare;
    QTimer spareTimer;
    // Runs once the column has stayed empty for timing.releaseMemory.
    QTimer releaseTimer;
};

}  // namespace wystrand
