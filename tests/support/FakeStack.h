#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/panels/PanelStack.h"

namespace wystrand::test {

// Every call in order, and the cards shown with their callbacks; with `readyAtOnce` a card is
// ready as soon as shown, as the window manager's are.
class FakeStack : public PanelStack {
public:
    struct Card {
        ShowConfig config;
        ReadyCallback onReady;
        ResultCallback onResult;
        HeldCallback onHeld;
    };
    explicit FakeStack(bool readyAtOnce = false) : readyAtOnce(readyAtOnce) {}
    void show(const ShowConfig& config, ReadyCallback onReady, ResultCallback onResult,
              HeldCallback onHeld) override {
        calls.push_back("show " + config.id.toStdString());
        if (readyAtOnce) {
            onReady();
        }
        cards.insert_or_assign(
            config.id, Card{config, std::move(onReady), std::move(onResult), std::move(onHeld)});
    }
    void dismiss(const QString& id) override { calls.push_back("dismiss " + id.toStdString()); }
    void dismissAll() override { calls.push_back("dismissAll"); }

    const bool readyAtOnce;
    std::vector<std::string> calls;
    std::map<QString, Card> cards;
};

}  // namespace wystrand::test
