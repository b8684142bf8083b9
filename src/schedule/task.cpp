#include "schedule/task.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "schedule/error.h"
#include "schedule/taskline.h"

namespace orvanel {

namespace {

// The message of a malformed integer text, or an empty text.
std::string IntegerError(std::string_view text, std::int32_t& value) {
    try {
        value = TextToInt(text);
        return {};
    } catch (const Error& error) {
        return error.what();
    }
}

std::string_view Field(const TaskFields& fields, std::int32_t index) {
    return fields.at(static_cast<std::size_t>(index));
}

} // namespace

TaskFields SplitTaskLine(std::string_view line) {
    line = ReadableText(line);
    const char separator = kFieldSeparator.front();
    TaskFields fields{};
    std::size_t start = 0;
    for (std::size_t i = 0; i < fields.size() && start <= line.size(); ++i) {
        const std::size_t end = std::min(line.find(separator, start), line.size());
        fields[i] = line.substr(start, end - start);
        start = end + 1;
    }
    return fields;
}

bool TaskTime::DueAt(int atHour, int atMinute) const {
    return error.empty() && hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 &&
           hour == atHour && minute == atMinute;
}

std::optional<int> TaskTime::MinuteOfDay() const {
    if (!error.empty() || hour < 0 || hour > 23 || minute < 0 || minute > 59) {
        return std::nullopt;
    }
    return hour * 60 + minute;
}

TaskTime ReadTaskTime(const TaskFields& fields) {
    TaskTime time;
    // The Hour is read first: a line whose two fields are both malformed
    // reports its Hour.
    time.error = IntegerError(Field(fields, kHourField), time.hour);
    time.badHour = !time.error.empty();
    if (time.error.empty()) {
        time.error = IntegerError(Field(fields, kMinuteField), time.minute);
    }
    return time;
}

ExeNameParts SplitExeName(std::string_view exeName) {
    const std::size_t divider = exeName.find_last_of("\\:");
    if (divider == std::string_view::npos) {
        return {std::string(), std::string(exeName)};
    }
    return {std::string(exeName.substr(0, divider + 1)), std::string(exeName.substr(divider + 1))};
}

TaskLine MakeTaskLine(const TaskFields& fields, TaskTime time, std::size_t row) {
    TaskLine task;
    task.row = row;
    task.exeName = std::string(Field(fields, kExeNameField));
    task.exe = SplitExeName(task.exeName);
    task.windowTitle = std::string(Field(fields, kWindowTitleField));
    task.time = std::move(time);
    task.script = std::string(Field(fields, kScriptField));
    return task;
}

TaskLine ParseTaskLine(std::string_view line, std::size_t row) {
    const TaskFields fields = SplitTaskLine(line);
    return MakeTaskLine(fields, ReadTaskTime(fields), row);
}

} // namespace orvanel
