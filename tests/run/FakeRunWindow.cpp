#include "tests/run/FakeRunWindow.h"

#include <string>
#include <thread>
#include <utility>

namespace larkspire::test {

namespace {

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

}  // namespace

std::u16string UrlOfRow(int m)
{
    const std::string text = "http://127.0.0.1/row/" + std::to_string(m);
    return std::u16string(text.begin(), text.end());
}

int RowOfUrl(const std::u16string& url) { return std::stoi(Narrow(url.substr(url.rfind(u'/') + 1))); }

namespace {

std::vector<std::u16string> NumberedUrls(int rows)
{
    std::vector<std::u16string> urls;
    for (int m = 0; m < rows; ++m) urls.push_back(UrlOfRow(m));
    return urls;
}

}  // namespace

FakeRunWindow::FakeRunWindow(int rows, std::u16string threadSetting)
    : FakeRunWindow(NumberedUrls(rows), std::move(threadSetting))
{}

FakeRunWindow::FakeRunWindow(std::vector<std::u16string> urls, std::u16string threadSetting)
    : threadSetting_(std::move(threadSetting)),
      urls_(std::move(urls)),
      statuses_(urls_.size()),
      link_([this] { gui_.Post([this] { link_.RunPass(); }); })
{}

bool FakeRunWindow::HandOver(const std::function<void()>& step) { return link_.HandOver(step); }

bool FakeRunWindow::Post(std::function<void()> step) { return link_.Post(std::move(step)); }

bool FakeRunWindow::Enter(const std::string& event)
{
    std::lock_guard lock(mutex_);
    if (gone_ || std::this_thread::get_id() != gui_.Id()) {
        ++faults_;
        return false;
    }
    if (!event.empty()) events_.push_back(event);
    return true;
}

std::u16string FakeRunWindow::ThreadSettingText()
{
    if (!Enter("ThreadSettingText")) return {};
    return threadSetting_;
}

int FakeRunWindow::RowCount()
{
    if (!Enter("RowCount")) return 0;
    std::lock_guard lock(mutex_);
    return static_cast<int>(urls_.size());
}

std::u16string FakeRunWindow::RowUrl(int row)
{
    if (!Enter("RowUrl(" + std::to_string(row) + ")")) return {};
    std::lock_guard lock(mutex_);
    return urls_.at(row);
}

void FakeRunWindow::SetRowStatus(int row, const CheckOutcome& outcome)
{
    const std::u16string& status = outcome.status;
    const std::u16string reason = ShownReason(outcome);
    const std::string because = reason.empty() ? "" : "," + Narrow(reason);
    if (!Enter("SetRowStatus(" + std::to_string(row) + "," + Narrow(status) + because + ")")) return;
    std::lock_guard lock(mutex_);
    statuses_.at(row) = status;
    if (status == u"Pinging page...") startOrder_.push_back(row);
}

void FakeRunWindow::ClearStatusColumn()
{
    if (!Enter("ClearStatusColumn")) return;
    std::lock_guard lock(mutex_);
    for (auto& status : statuses_) status.clear();
}

void FakeRunWindow::MakeTopRow(int row)
{
    if (!Enter("MakeTopRow(" + std::to_string(row) + ")")) return;
}

void FakeRunWindow::SetProcessedText(const std::u16string& text)
{
    if (!Enter("SetProcessedText(" + Narrow(text) + ")")) return;
    std::lock_guard lock(mutex_);
    processedText_ = text;
}

void FakeRunWindow::SetElapsedText(const std::u16string& text)
{
    if (!Enter("")) return;
    std::lock_guard lock(mutex_);
    elapsedText_ = text;
}

void FakeRunWindow::SetRunningState(bool running)
{
    if (!Enter(running ? "SetRunningState(true)" : "SetRunningState(false)")) return;
    {
        std::lock_guard lock(mutex_);
        running_ = running;
    }
    if (onRunningStateChange) onRunningStateChange(running);
}

void FakeRunWindow::ShowMessage(const std::u16string& text)
{
    if (!Enter("ShowMessage(" + Narrow(text) + ")")) return;
    std::lock_guard lock(mutex_);
    messages_.push_back(text);
}

void FakeRunWindow::Close()
{
    gui_.Run([this] { GoAway(); });
}

void FakeRunWindow::GoAway()
{
    link_.Close();
    std::lock_guard lock(mutex_);
    gone_ = true;
}

void FakeRunWindow::SetStatus(int row, const std::u16string& status)
{
    std::lock_guard lock(mutex_);
    statuses_.at(row) = status;
}

std::vector<std::u16string> FakeRunWindow::Statuses()
{
    std::lock_guard lock(mutex_);
    return statuses_;
}

std::u16string FakeRunWindow::ProcessedText()
{
    std::lock_guard lock(mutex_);
    return processedText_;
}

std::u16string FakeRunWindow::ElapsedText()
{
    std::lock_guard lock(mutex_);
    return elapsedText_;
}

std::vector<std::u16string> FakeRunWindow::Messages()
{
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<std::string> FakeRunWindow::Events()
{
    std::lock_guard lock(mutex_);
    return events_;
}

std::vector<int> FakeRunWindow::StartOrder()
{
    std::lock_guard lock(mutex_);
    return startOrder_;
}

bool FakeRunWindow::Running()
{
    std::lock_guard lock(mutex_);
    return running_;
}

int FakeRunWindow::Faults()
{
    std::lock_guard lock(mutex_);
    return faults_;
}

}  // namespace larkspire::test
