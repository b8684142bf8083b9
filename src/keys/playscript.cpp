#include "keys/playscript.h"

#include <algorithm>

#include "keys/keyscript.h"
#include "schedule/taskline.h"

namespace orvanel {

std::uint32_t ScriptDelayMilliseconds(std::string_view delayText) {
    const std::int32_t delay = TextToIntDef(delayText, kDefaultScriptDelay);
    return delay < 0 ? 0u : static_cast<std::uint32_t>(delay);
}

std::string_view PlayedScript(std::string_view script) {
    return script.substr(0, std::min({script.find('\0'), script.size(), kMaxTextLength}));
}

std::int32_t PlayScript(KeyOutput& out, std::string_view script, std::string_view delayText) {
    return PlayScript(out, script, delayText, {});
}

std::int32_t PlayScript(KeyOutput& out, std::string_view script, std::string_view delayText,
                        const BeforeStep& beforeStep) {
    script = PlayedScript(script);
    if (script.empty()) {
        return 0;
    }
    const std::int32_t steps = CountChar(script, kStepSeparator) + 1;
    for (std::int32_t i = 0; i < steps; ++i) {
        if (beforeStep && !beforeStep(i)) {
            return i;
        }
        PlayStep(out, ExtractField(script, kStepSeparator, i));
        out.desktop.Sleep(ScriptDelayMilliseconds(delayText));
    }
    return steps;
}

} // namespace orvanel
