#include "app/support_page.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "app/main_dialog_template.h"
#include "app/window_test_fixture.h"

namespace tr58k::test {
namespace {

// Records each address and the thread it came on; can keep the "browser"
// from returning until the test lets it.
class RecordingOpener final : public SupportPageOpener {
 public:
  void Open(const std::u16string& address) override {
    std::unique_lock lock(mutex_);
    opened_.push_back({address, std::this_thread::get_id()});
    changed_.notify_all();
    changed_.wait(lock, [this] { return !holding_; });
    ++returned_;
    changed_.notify_all();
  }
  void Hold(bool hold) {
    std::lock_guard lock(mutex_);
    holding_ = hold;
    changed_.notify_all();
  }
  bool WaitFor(size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10),
                             [&] { return opened_.size() >= count; });
  }
  // Waits until `count` calls have left Open(): the threads are detached,
  // so this is the last moment they touch the opener.
  bool WaitReturned(size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return returned_ >= count; });
  }
  std::vector<std::pair<std::u16string, std::thread::id>> Opened() {
    std::lock_guard lock(mutex_);
    return opened_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool holding_ = false;
  size_t returned_ = 0;
  std::vector<std::pair<std::u16string, std::thread::id>> opened_;
};

class SupportPageTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    previous_ = SetSupportPageOpener(&opener_);
  }
  void TearDown() override {
    opener_.Hold(false);
    // Let every support-page thread finish with the opener before it goes.
    opener_.WaitReturned(expectedOpens_);
    SetSupportPageOpener(previous_);
    WindowTest::TearDown();
  }
  RecordingOpener opener_;
  SupportPageOpener* previous_ = nullptr;
  size_t expectedOpens_ = 0;
};

TEST_F(SupportPageTest, AddressIsAnAbsoluteWebAddress) {
  const QUrl url(QString::fromStdU16String(kSupportPageAddress));
  EXPECT_TRUE(url.isValid());
  EXPECT_EQ(url.scheme(), "https");
  EXPECT_FALSE(url.host().isEmpty());
}

TEST_F(SupportPageTest, EachClickOpensThePageOnAThreadOfItsOwn) {
  OpenWindow();
  expectedOpens_ = 2;
  // Both "browsers" stay busy, so both threads live at once.
  opener_.Hold(true);
  QPushButton* button = Button(ctl::kDriverUpdate);
  QTest::mouseClick(button, Qt::LeftButton);
  QTest::mouseClick(button, Qt::LeftButton);
  ASSERT_TRUE(opener_.WaitFor(2));
  const auto opened = opener_.Opened();
  ASSERT_EQ(opened.size(), 2u);
  const std::set<std::thread::id> threads{opened[0].second, opened[1].second};
  EXPECT_EQ(threads.size(), 2u);
  for (const auto& [address, thread] : opened) {
    EXPECT_EQ(address, std::u16string(kSupportPageAddress));
    EXPECT_NE(thread, std::this_thread::get_id());
  }
}

TEST_F(SupportPageTest, WindowKeepsAnsweringWhileTheBrowserStarts) {
  OpenWindow();
  StopTimer();
  mouse_->ClearLog();
  expectedOpens_ = 1;
  opener_.Hold(true);
  QTest::mouseClick(Button(ctl::kDriverUpdate), Qt::LeftButton);
  ASSERT_TRUE(opener_.WaitFor(1));  // the browser is "starting" now
  Edit(0)->setText("1234");
  win_->OnTimerTick();
  EXPECT_EQ(EditText(0), "1250");
  QTest::mouseClick(Button(ctl::kApply), Qt::LeftButton);
  Settle();
  EXPECT_EQ(RequestCommands().size(), 3u);
}

TEST_F(SupportPageTest, ThreadProcedureOwnsItsAddress) {
  expectedOpens_ = 1;
  EXPECT_EQ(SupportPageThread(nullptr), 0u);
  EXPECT_TRUE(opener_.Opened().empty());
  EXPECT_EQ(SupportPageThread(new std::u16string(u"https://example.invalid/x")), 1u);
  ASSERT_EQ(opener_.Opened().size(), 1u);
  EXPECT_EQ(opener_.Opened()[0].first, u"https://example.invalid/x");
}

}  // namespace
}  // namespace tr58k::test
