#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "com/ComSupport.h"

namespace ostravel::com::simhost {

// What the host's COM objects count, so a test can see that nothing of the plug-in is still
// connected or called once it has been released. Everything runs on one thread.
struct HostCounters {
  long live_objects = 0;      // host objects not yet released by everyone
  long events_delivered = 0;  // event calls made into sinks of the plug-in
  long views_loaded = 0;
  std::string last_view_xml;  // the text the plug-in handed to LoadView last
  // Looks whether the plug-in has put text on the clipboard; run after each event and before
  // each chat output, so the host sees the clipboard change where it happened.
  std::function<void()> notice_clipboard;
};

// Part of every host COM object: counts it while it lives, and counts the events it delivers.
class Counted {
 public:
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;

 protected:
  explicit Counted(std::shared_ptr<HostCounters> counters) : counters_(std::move(counters)) {
    ++counters_->live_objects;
  }
  ~Counted() { --counters_->live_objects; }

  // Calls `call(Sink*)` for each connected sink, counting each call.
  template <class Sink, class Call>
  void Deliver(EventSource<Sink>& sinks, Call&& call) {
    sinks.Raise([&](Sink* sink) {
      ++counters_->events_delivered;
      call(sink);
    });
    NoticeClipboard();
  }

  void NoticeClipboard() const {
    if (counters_->notice_clipboard) counters_->notice_clipboard();
  }

  const std::shared_ptr<HostCounters>& Counters() const { return counters_; }

 private:
  std::shared_ptr<HostCounters> counters_;
};

}  // namespace ostravel::com::simhost
