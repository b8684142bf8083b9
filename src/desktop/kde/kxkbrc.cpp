#include "desktop/kde/kxkbrc.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace orvanel::kde {

namespace {

std::string FirstOfList(const std::string& list) {
    return list.substr(0, list.find(','));
}

} // namespace

LayoutSetting ParseLayoutSetting(const std::string& text) {
    LayoutSetting setting;
    std::istringstream lines(text);
    std::string line;
    bool inLayout = false;
    bool used = true;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line.front() == '[') {
            inLayout = line == "[Layout]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inLayout || equals == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "LayoutList") {
            setting.layout = FirstOfList(value);
        } else if (key == "VariantList") {
            setting.variant = FirstOfList(value);
        } else if (key == "Use") {
            used = value == "true";
        }
    }
    return used ? setting : LayoutSetting{};
}

LayoutSetting ReadLayoutSetting() {
    std::string directory;
    if (const char* config = std::getenv("XDG_CONFIG_HOME");
        config != nullptr && config[0] == '/') {
        directory = config;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        directory = std::string(home) + "/.config";
    } else {
        return {};
    }
    std::ifstream file(directory + "/kxkbrc");
    std::ostringstream text;
    text << file.rdbuf();
    return ParseLayoutSetting(text.str());
}

} // namespace orvanel::kde
