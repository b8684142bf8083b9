// The history file: appending, rotation, failures, and reading it back.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "history/reader.h"
#include "history/writer.h"
#include "support/tempdir.h"
#include "support/timezone.h"

namespace orvanel::history {
namespace {

namespace fs = std::filesystem;

// The real file access, except that chosen calls fail as a full disk does.
class FailingLogFiles : public LogFiles {
public:
    int failWrites = 0; // this many write calls fail with ENOSPC
    bool failSync = false;
    bool failRename = false;

    int RenameFile(const fs::path& from, const fs::path& to) override {
        return failRename ? EACCES : LogFiles::RenameFile(from, to);
    }

protected:
    long WriteSome(int fd, const char* data, std::size_t size) override {
        if (failWrites > 0) {
            --failWrites;
            // Half of it reaches the disk first.
            (void)LogFiles::WriteSome(fd, data, size / 2);
            errno = ENOSPC;
            return -1;
        }
        return LogFiles::WriteSome(fd, data, size);
    }
    int SyncFile(int fd) override {
        if (failSync) {
            errno = EIO;
            return -1;
        }
        return LogFiles::SyncFile(fd);
    }
};

class HistoryFileTest : public ::testing::Test {
protected:
    HistoryFileTest() : zone_("UTC0"), writer_(dir_.Path(), files_) {}

    static HistoryLine Record(int row, const std::string& detail = "ok") {
        return TaskHistoryLine(29'000'000 + row, 0,
                               ParseTaskLine("app.exe||||", static_cast<std::size_t>(row)),
                               Outcome::Typed, detail);
    }
    std::string Log() const { return test::ReadBytes(dir_ / kHistoryFileName); }

    test::ScopedTimeZone zone_;
    test::TempDir dir_;
    FailingLogFiles files_;
    HistoryWriter writer_;
};

TEST_F(HistoryFileTest, AppendsOneLinePerRecordInAPrivateFile) {
    EXPECT_FALSE(writer_.Write(Record(1)));
    EXPECT_FALSE(writer_.Write(Record(2)));
    EXPECT_EQ(Log(), FormatHistoryLine(Record(1)) + FormatHistoryLine(Record(2)));
#ifndef _WIN32
    struct stat info {};
    ASSERT_EQ(::stat((dir_ / kHistoryFileName).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
#endif
}

TEST_F(HistoryFileTest, RotatesBeforePassingOneMebibyte) {
    // Records of one length, as many as fit in 1 MiB.
    const auto big = [](int row) { return Record(row, std::string(100'000, 'x')); };
    const std::size_t length = FormatHistoryLine(big(1)).size();
    const std::uintmax_t fit = kMaxHistoryBytes / length;
    for (std::uintmax_t i = 0; i < fit; ++i) {
        ASSERT_FALSE(writer_.Write(big(1)));
    }
    EXPECT_EQ(fs::file_size(dir_ / kHistoryFileName), fit * length);
    EXPECT_FALSE(fs::exists(dir_ / kOldHistoryFileName));

    EXPECT_FALSE(writer_.Write(big(2)));
    EXPECT_EQ(Log(), FormatHistoryLine(big(2)));
    EXPECT_EQ(fs::file_size(dir_ / kOldHistoryFileName), fit * length);

    // The next rotation replaces the older file.
    for (std::uintmax_t i = 0; i < fit; ++i) {
        ASSERT_FALSE(writer_.Write(big(3)));
    }
    EXPECT_EQ(Log(), FormatHistoryLine(big(3)));
    const auto latest = ReadLatestRecords(dir_.Path(), 3);
    ASSERT_EQ(latest.size(), 3u);
    EXPECT_EQ(latest[0].row, "3");
    EXPECT_EQ(latest[2].row, "3");
}

TEST_F(HistoryFileTest, AFailureIsReportedOnceAndTheNextRecordTriesAgain) {
    EXPECT_FALSE(writer_.Write(Record(1)));
    files_.failWrites = 2;
    const auto first = writer_.Write(Record(2));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->rfind("Cannot write file history.log: ", 0), 0u) << *first;
    EXPECT_FALSE(writer_.Write(Record(3))); // still failing: said already
    EXPECT_TRUE(writer_.Failing());
    EXPECT_FALSE(writer_.Write(Record(4)));
    EXPECT_FALSE(writer_.Failing());
    // The half records were taken back: the file holds whole lines only.
    EXPECT_EQ(Log(), FormatHistoryLine(Record(1)) + FormatHistoryLine(Record(4)));

    files_.failSync = true;
    EXPECT_TRUE(writer_.Write(Record(5)));
}

TEST_F(HistoryFileTest, ADirectoryInThePlaceOfTheFileIsAFailureNotAThrow) {
    fs::create_directory(dir_ / kHistoryFileName);
    std::optional<std::string> message;
    EXPECT_NO_THROW(message = writer_.Write(Record(1)));
    EXPECT_TRUE(message);
}

TEST_F(HistoryFileTest, AFailedRotationStillKeepsTheRecord) {
    test::WriteBytes(dir_ / kHistoryFileName, std::string(kMaxHistoryBytes - 10, 'x') + "\r\n");
    files_.failRename = true;
    const auto message = writer_.Write(Record(1));
    ASSERT_TRUE(message);
    EXPECT_EQ(message->rfind("Cannot rename file history.log", 0), 0u);
    EXPECT_EQ(ReadLatestRecords(dir_.Path()).size(), 1u);
}

// A file that cannot be rotated stops growing at twice the limit; that is
// reported once, and the records go on once the rotation works again.
TEST_F(HistoryFileTest, AFileThatCannotBeRotatedStopsAtTwiceTheLimit) {
    const std::string full = std::string(2 * kMaxHistoryBytes - 10, 'x') + "\r\n";
    test::WriteBytes(dir_ / kHistoryFileName, full);
    fs::create_directory(dir_ / kOldHistoryFileName);
    const auto message = writer_.Write(Record(1));
    ASSERT_TRUE(message);
    EXPECT_EQ(message->rfind("Cannot write file history.log: it has reached 2 MiB", 0), 0u);
    EXPECT_FALSE(writer_.Write(Record(2)));
    EXPECT_EQ(fs::file_size(dir_ / kHistoryFileName), full.size());
    fs::remove(dir_ / kOldHistoryFileName);
    EXPECT_FALSE(writer_.Write(Record(3)));
    EXPECT_EQ(Log(), FormatHistoryLine(Record(3)));
}

TEST_F(HistoryFileTest, ATornLastLineIsSkippedAndDoesNotSpoilTheNextRecord) {
    const std::string torn = FormatHistoryLine(Record(2)).substr(0, 30);
    test::WriteBytes(dir_ / kHistoryFileName, FormatHistoryLine(Record(1)) + torn);
    auto latest = ReadLatestRecords(dir_.Path());
    ASSERT_EQ(latest.size(), 1u);
    EXPECT_EQ(latest[0].row, "1");

    EXPECT_FALSE(writer_.Write(Record(3)));
    latest = ReadLatestRecords(dir_.Path());
    ASSERT_EQ(latest.size(), 2u);
    EXPECT_EQ(latest[0].row, "3");
    EXPECT_EQ(latest[1].row, "1");
}

TEST(LatestRecords, NewestFirstUpToTheCount) {
    test::ScopedTimeZone zone("UTC0");
    std::string text;
    for (int row = 1; row <= 5; ++row) {
        HistoryLine record;
        record.row = std::to_string(row);
        text += FormatHistoryLine(record);
    }
    text += "not a record\r\n";
    const auto latest = LatestRecords(text, 3);
    ASSERT_EQ(latest.size(), 3u);
    EXPECT_EQ(latest[0].row, "5");
    EXPECT_EQ(latest[2].row, "3");
    EXPECT_TRUE(LatestRecords("", 3).empty());
    EXPECT_TRUE(ReadLatestRecords(fs::path("no such directory")).empty());
}

} // namespace
} // namespace orvanel::history
