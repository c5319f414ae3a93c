#pragma once

#include <string>
#include <vector>

#include "com/ComSupport.h"

namespace ostravel::com::simhost::test {

// Sinks that record what the host raised, for tests that stand where the plug-in would.

class StatsRecorder final : public ComObject<IDecalCharacterStatsEvents> {
 public:
  STDMETHOD(LoginComplete)() override {
    events.push_back("login");
    return S_OK;
  }
  STDMETHOD(Logoff)(LONG type) override {
    events.push_back("logoff " + std::to_string(type));
    return S_OK;
  }
  std::vector<std::string> events;
};

class TimerRecorder final : public ComObject<IDecalTimerEvents> {
 public:
  STDMETHOD(Timeout)(IDecalTimer* source) override {
    ++ticks;
    last_source = source;
    return S_OK;
  }
  int ticks = 0;
  IDecalTimer* last_source = nullptr;
};

// Reads the message's "text" field while the event runs, and keeps the message for later.
class EchoRecorder final : public ComObject<IDecalEchoFilter2Events> {
 public:
  STDMETHOD(EchoServer)(IDecalMessage* message) override {
    LONG type = 0;
    message->get_Type(&type);
    types.push_back(type);
    UniqueVariant value;
    const Bstr name("text");
    if (SUCCEEDED(message->get_Value(name.Get(), value.Put()))) {
      texts.push_back(host::ToText(FromVariant(value.Get())));
    }
    kept = message;
    return S_OK;
  }
  std::vector<LONG> types;
  std::vector<std::string> texts;
  ComPtr<IDecalMessage> kept;
};

class ListRecorder final : public ComObject<IDecalListEvents> {
 public:
  STDMETHOD(Change)(LONG id, LONG x, LONG y) override {
    clicks.push_back({id, x, y});
    return S_OK;
  }
  std::vector<std::vector<LONG>> clicks;
};

}  // namespace ostravel::com::simhost::test
