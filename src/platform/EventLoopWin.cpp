#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>

#include "platform/EventLoop.h"
// asio brings in winsock2.h, which must come before windows.h.
#include <windows.h>

#include <algorithm>
#include <deque>
#include <exception>
#include <future>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <tuple>

#include "platform/Win32Lock.h"

namespace ostravel::platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

// What the loop's window is told.
constexpr UINT kWakeMessage = WM_APP + 1;  // queued work is waiting
constexpr UINT_PTR kTimerId = 1;           // the one window timer, armed for the nearest deadline

constexpr wchar_t kWindowClass[] = L"OstravelEventLoop";

// How long the socket thread may take, at the end, to finish what it was given.
constexpr std::chrono::milliseconds kIoDrainTime{500};

// This module's instance: the DLL's when the plug-in is loaded, the program's otherwise.
HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

}  // namespace

// One started LoopTimer in the loop's deadline order; `sequence` keeps equal deadlines apart
// in the order they were started.
struct TimerEntry {
  SteadyClock::time_point deadline;
  std::uint64_t sequence = 0;
  class WinLoopTimer* timer = nullptr;

  bool operator<(const TimerEntry& other) const {
    return std::tie(deadline, sequence) < std::tie(other.deadline, other.sequence);
  }
};

// The loop's timers: every started LoopTimer has one entry; one window timer is armed for the
// first. Timers reach it through a weak reference, so a timer that outlives the loop is inert.
struct TimerQueue {
  HWND window = nullptr;
  std::set<TimerEntry> entries;
  std::uint64_t next_sequence = 0;
  bool armed = false;
  SteadyClock::time_point armed_for;

  void Rearm() {
    if (entries.empty()) {
      if (armed) KillTimer(window, kTimerId);
      armed = false;
      return;
    }
    const auto deadline = entries.begin()->deadline;
    if (armed && armed_for == deadline) return;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
    const auto delay = std::max<std::int64_t>(left.count(), USER_TIMER_MINIMUM);
    SetTimer(window, kTimerId, static_cast<UINT>(std::min<std::int64_t>(delay, 0x7FFFFFFF)),
             nullptr);
    armed = true;
    armed_for = deadline;
  }
};

class WinLoopTimer final : public LoopTimer {
 public:
  explicit WinLoopTimer(std::weak_ptr<TimerQueue> queue) : queue_(std::move(queue)) {}
  ~WinLoopTimer() override { Cancel(); }

  void Start(std::chrono::milliseconds delay, std::function<void()> work) override {
    const auto queue = queue_.lock();
    if (!queue) return;
    Remove(*queue);
    work_ = std::move(work);
    entry_ = TimerEntry{SteadyClock::now() + delay, ++queue->next_sequence, this};
    queue->entries.insert(*entry_);
    queue->Rearm();
  }

  void Cancel() override {
    work_ = nullptr;
    if (const auto queue = queue_.lock()) {
      Remove(*queue);
      queue->Rearm();
    }
  }

  // Called by the loop once the deadline has passed; the entry is already out of the queue.
  void Fire() {
    entry_.reset();
    auto work = std::move(work_);
    work_ = nullptr;
    if (work) work();
  }

 private:
  void Remove(TimerQueue& queue) {
    if (entry_) queue.entries.erase(*entry_);
    entry_.reset();
  }

  std::weak_ptr<TimerQueue> queue_;
  std::optional<TimerEntry> entry_;
  std::function<void()> work_;
};

struct EventLoop::Impl {
  std::shared_ptr<TimerQueue> timers = std::make_shared<TimerQueue>();
  HWND window = nullptr;
  HINSTANCE instance = nullptr;
  std::uint64_t wake_ups = 0;
  // The first exception a piece of work threw; Poll and the Run calls raise it, as the Linux
  // loop does. It never travels through the window procedure.
  std::exception_ptr failure;

  // Shared with the threads that Post (WinHTTP's among them).
  SrwLock mutex;
  std::deque<std::function<void()>> queue;
  bool wake_posted = false;

  // The sockets' context and its thread, started on first use.
  asio::io_context io{1};
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> io_work;
  std::thread io_thread;
  std::promise<void> io_finished;

  void RunQueued();
  void FireDueTimers();
  void Guarded(const std::function<void()>& work);
  // Dispatches every message waiting on this thread; true when there was one.
  bool PumpMessages();
  void RethrowFailure();
};

namespace {

LRESULT CALLBACK LoopWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* impl = reinterpret_cast<EventLoop::Impl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (impl && message == kWakeMessage) {
    ++impl->wake_ups;
    impl->RunQueued();
    return 0;
  }
  if (impl && message == WM_TIMER && wparam == kTimerId) {
    ++impl->wake_ups;
    impl->FireDueTimers();
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = LoopWindowProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = kWindowClass;
  // A second loop finds the class already there, which is fine.
  RegisterClassExW(&window_class);
}

}  // namespace

void EventLoop::Impl::Guarded(const std::function<void()>& work) {
  try {
    work();
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
}

void EventLoop::Impl::RunQueued() {
  std::deque<std::function<void()>> ready;
  {
    std::lock_guard lock(mutex);
    ready.swap(queue);
    wake_posted = false;
  }
  for (auto& work : ready) Guarded(work);
}

void EventLoop::Impl::FireDueTimers() {
  // Timers started while these run wait for the next turn, even with a zero delay.
  const auto now = SteadyClock::now();
  auto& entries = timers->entries;
  timers->armed = false;
  KillTimer(window, kTimerId);
  while (!entries.empty() && entries.begin()->deadline <= now) {
    WinLoopTimer* timer = entries.begin()->timer;
    entries.erase(entries.begin());
    Guarded([timer] { timer->Fire(); });
  }
  timers->Rearm();
}

bool EventLoop::Impl::PumpMessages() {
  bool any = false;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    any = true;
    if (message.message == WM_QUIT) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return any;
}

void EventLoop::Impl::RethrowFailure() {
  if (!failure) return;
  auto thrown = failure;
  failure = nullptr;
  std::rethrow_exception(thrown);
}

EventLoop::EventLoop() : impl_(std::make_unique<Impl>()) {
  impl_->instance = ThisModule();
  RegisterWindowClass(impl_->instance);
  impl_->window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  impl_->instance, nullptr);
  if (!impl_->window) throw std::runtime_error("cannot create the event loop's window");
  SetWindowLongPtrW(impl_->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(impl_.get()));
  impl_->timers->window = impl_->window;
}

EventLoop::~EventLoop() {
  // The socket thread first: its handlers post here.
  if (impl_->io_thread.joinable()) {
    impl_->io_work.reset();
    // The closes the sockets posted last (and the goodbye line before them) run out first.
    // Stopping the context over them leaves operations that its destruction then waits for,
    // which could hang the host's unload. Only a socket still open keeps it running that long.
    if (impl_->io_finished.get_future().wait_for(kIoDrainTime) != std::future_status::ready) {
      impl_->io.stop();
    }
    impl_->io_thread.join();
  }
  impl_->timers->entries.clear();
  impl_->timers->Rearm();
  SetWindowLongPtrW(impl_->window, GWLP_USERDATA, 0);
  DestroyWindow(impl_->window);
  // Fails while another loop still has a window; the class must not outlive this module.
  UnregisterClassW(kWindowClass, impl_->instance);
  std::lock_guard lock(impl_->mutex);
  impl_->queue.clear();
}

void EventLoop::Post(std::function<void()> work) {
  bool wake = false;
  {
    std::lock_guard lock(impl_->mutex);
    impl_->queue.push_back(std::move(work));
    wake = !impl_->wake_posted;
    impl_->wake_posted = true;
  }
  if (wake) PostMessageW(impl_->window, kWakeMessage, 0, 0);
}

std::unique_ptr<LoopTimer> EventLoop::CreateTimer() {
  return std::make_unique<WinLoopTimer>(impl_->timers);
}

asio::io_context& EventLoop::IoContext() {
  if (!impl_->io_thread.joinable()) {
    impl_->io_work.emplace(asio::make_work_guard(impl_->io));
    impl_->io_thread = std::thread([impl = impl_.get()] {
      impl->io.run();
      impl->io_finished.set_value();
    });
  }
  return impl_->io;
}

std::uint64_t EventLoop::WakeUpCount() const {
  return impl_->wake_ups;
}

void EventLoop::Poll() {
  for (;;) {
    const bool pumped = impl_->PumpMessages();
    // Also what is due but not yet announced by the window timer, whose resolution is coarse.
    const auto& entries = impl_->timers->entries;
    const bool due = !entries.empty() && entries.begin()->deadline <= SteadyClock::now();
    if (due) impl_->FireDueTimers();
    if (!pumped && !due) break;
  }
  impl_->RethrowFailure();
}

void EventLoop::RunFor(std::chrono::milliseconds duration) {
  const auto deadline = SteadyClock::now() + duration;
  for (;;) {
    Poll();
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
    if (left.count() <= 0) return;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left.count()), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}

bool EventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = SteadyClock::now() + timeout;
  for (;;) {
    Poll();
    if (done()) return true;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
    if (left.count() <= 0) return done();
    // Asleep until a message (posted work, the window timer) or the deadline: an idle loop
    // wakes only for its own timers.
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left.count()), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}

}  // namespace ostravel::platform
