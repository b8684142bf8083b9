// "Start Orvanel when I log in": the box shows whether the session starts
// this program in this folder, read at start-up and at every activation; a
// click writes or removes the entry, and a failure is reported with the box
// showing the true state again.
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "formtest.h"

namespace orvanel::test {
namespace {

namespace fs = std::filesystem;
using Boxes = std::vector<std::string>;

// A desktop that cannot even tell whether the session starts the program.
class BrokenSessionDesktop : public RecordingDesktop {
public:
    bool AutostartEnabled(const fs::path& dataDirectory) override {
        if (broken) {
            throw std::runtime_error("broken");
        }
        return RecordingDesktop::AutostartEnabled(dataDirectory);
    }
    bool broken = false;
};

class SessionView : public FakeView {
public:
    void SetAutostartChecked(bool checked) override { this->checked = checked; }
    bool checked = false;
};

class AutostartTest : public FormTest {
protected:
    void TearDown() override { form_.reset(); } // before the desktop it uses
    MainForm& Open() {
        view_ = std::make_unique<SessionView>();
        form_ = std::make_unique<MainForm>(*view_, session_, dir_.Path(), files_,
                                           HistoryAccess{logFiles_, &systemLog_});
        view_->form = form_.get();
        form_->FormCreate();
        return *form_;
    }
    bool Checked() const { return static_cast<const SessionView&>(*view_).checked; }

    BrokenSessionDesktop session_;
    fs::path folder_ = fs::absolute(dir_.Path()).lexically_normal();
};

TEST_F(AutostartTest, TheBoxFollowsTheEntryOfThisFolder) {
    session_.autostartDirectory = folder_;
    MainForm& form = Open();
    EXPECT_TRUE(Checked());
    // Changed while the window was in the background.
    session_.autostartDirectory = folder_ / "other";
    form.FormActivate();
    EXPECT_FALSE(Checked());
    session_.autostartDirectory = folder_;
    form.FormActivate();
    EXPECT_TRUE(Checked());
    // A failure to ask is not worth a box at every activation.
    session_.broken = true;
    form.FormActivate();
    EXPECT_TRUE(Checked());
    EXPECT_TRUE(view_->boxes.empty());
}

TEST_F(AutostartTest, AClickWritesOrRemovesTheEntryForTheDataFolder) {
    MainForm& form = Open();
    EXPECT_FALSE(Checked());
    form.AutostartClick(true);
    EXPECT_TRUE(Checked());
    EXPECT_EQ(session_.autostartDirectory, folder_);
    form.AutostartClick(false);
    EXPECT_FALSE(Checked());
    EXPECT_TRUE(session_.autostartDirectory.empty());
    EXPECT_TRUE(view_->boxes.empty());
}

TEST_F(AutostartTest, AFailureIsReportedAndTheBoxShowsTheTruth) {
    MainForm& form = Open();
    session_.autostartFailure = "Cannot create file /x/orvanel.desktop (Permission denied)";
    form.AutostartClick(true);
    EXPECT_FALSE(Checked());
    EXPECT_EQ(view_->boxes, Boxes{"Cannot create file /x/orvanel.desktop (Permission denied)."});
    view_->DismissBox();

    session_.autostartFailure.clear();
    form.AutostartClick(true);
    session_.autostartFailure = "Cannot delete file /x/orvanel.desktop (Permission denied)";
    form.AutostartClick(false);
    EXPECT_TRUE(Checked());
    EXPECT_EQ(view_->boxes, Boxes{"Cannot delete file /x/orvanel.desktop (Permission denied)."});
}

} // namespace
} // namespace orvanel::test
