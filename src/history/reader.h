// The history reader: the latest records of "history.log" (and of
// "history.log.1" when the current file holds too few), newest first.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>
#include <vector>

#include "history/record.h"

namespace orvanel::history {

constexpr std::size_t kShownRecords = 1000;

// The complete lines of a history text, newest first, at most `count`. A
// last line without its line end (torn by a crash) is skipped, and so is
// every line that is not a record.
std::vector<HistoryLine> LatestRecords(std::string_view text, std::size_t count);

// The latest `count` records in `directory`, newest first. Missing or
// unreadable files give fewer (or no) records; nothing is thrown.
std::vector<HistoryLine> ReadLatestRecords(const std::filesystem::path& directory,
                                           std::size_t count = kShownRecords);

} // namespace orvanel::history
