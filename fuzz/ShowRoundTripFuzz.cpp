// A request line through what the socket thread does with it: decode, resolve the card, build
// the events the card will send. Each event must encode to one line that decodes back to the
// same record, and the resolved card must satisfy its invariants whatever the request held.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/message/ShowConfig.h"

namespace {

using wystrand::NotifyMode;
using wystrand::PipeMsg;
using wystrand::ShowConfig;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void roundTrip(const PipeMsg& event) {
    const std::string line = event.encode();
    check(line.find('\n') == std::string::npos);
    check(PipeMsg::decode(line) == event);
}

void checkConfig(const PipeMsg& m, const ShowConfig& c) {
    check(c.id == m.id.value_or(QString()));
    check(c.mode == NotifyMode::alert || c.mode == NotifyMode::info ||
          c.mode == NotifyMode::countdown);
    // The type and the variant are rows of their tables.
    check(&wystrand::NotifyType::named(c.type->name.toString()) == c.type);
    check(&wystrand::NotifyVariant::named(c.variant->name.toString()) == c.variant);
    check(!c.detail || !c.detail->isEmpty());
    check(!m.duration || c.duration == *m.duration);
    check(c.sound == m.sound.value_or(true));
    // Texts given in the request are kept exactly, empty ones included.
    check(!m.title || c.title == *m.title);
    check(!m.message || c.message == *m.message);
    check(!m.primary || c.primary == *m.primary);
    check(!m.secondary || c.secondary == *m.secondary);
    check(!m.skip || c.skip == *m.skip);
    check(!m.eyebrow || c.eyebrow == *m.eyebrow);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<PipeMsg> msg =
        PipeMsg::decode(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!msg) {
        return 0;
    }
    const ShowConfig config = ShowConfig::from(*msg);
    checkConfig(*msg, config);

    // The request as the controller would send it again resolves to the same card.
    const std::optional<PipeMsg> resent = PipeMsg::decode(msg->encode());
    check(resent.has_value());
    check(ShowConfig::from(*resent) == config);

    roundTrip(PipeMsg::ready(config.id));
    for (const std::int64_t code :
         {std::int64_t{0}, std::int64_t{2}, config.duration, msg->code.value_or(-1)}) {
        roundTrip(PipeMsg::result(config.id, code));
        for (const auto reason : {wystrand::EndReason::primary, wystrand::EndReason::output}) {
            roundTrip(PipeMsg::result(config.id, code, reason));
        }
    }
    roundTrip(PipeMsg::hello());
    roundTrip(PipeMsg::pong());
    roundTrip(PipeMsg::heartbeat());
    return 0;
}
