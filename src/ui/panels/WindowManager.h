#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "core/panels/PanelStack.h"
#include "ui/panels/PanelTiming.h"

namespace wystrand {

class NotifyPanel;

// Owns the card windows on screen and keeps them in one gap-free column at the top right of
// the primary screen's visible frame. Main thread only.
class WindowManager : public QObject, public PanelStack {
    Q_OBJECT
public:
    // Hands the heap that closed cards freed back to the system; replaceable in tests.
    using ReleaseMemory = std::function<void()>;
    static void trimHeap();

    explicit WindowManager(PanelTiming timing = {}, QObject* parent = nullptr,
                           ReleaseMemory releaseMemory = trimHeap);
    ~WindowManager() override;

    void show(const ShowConfig& config, ReadyCallback onReady, ResultCallback onResult) override;
    void dismiss(const QString& id) override;
    void dismissAll() override;

    // The card now entered under `id`, if any.
    NotifyPanel* panel(const QString& id) const;
    const std::vector<QString>& order() const { return panelOrder; }

private:
    std::vector<int> liveHeights() const;
    void restackPanels();
    void forget(const QString& id);

    PanelTiming timing;
    // A panel deletes itself once it has closed and told us; a card replaced under a
    // duplicate identifier is no longer named here but lives on until it closes.
    std::map<QString, QPointer<NotifyPanel>> panels;
    // Stacking order, topmost first; an identifier may stand twice.
    std::vector<QString> panelOrder;
    // Runs once the column has stayed empty for timing.releaseMemory.
    QTimer releaseTimer;
};

}  // namespace wystrand
