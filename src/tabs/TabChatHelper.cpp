#include "tabs/TabChatHelper.h"

#include <algorithm>
#include <map>

#include "base/Error.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "common/ListIcons.h"
#include "common/OstravelLib.h"
#include "host/View.h"
#include "platform/Clock.h"
#include "tabs/ServicePost.h"
#include "web/CharPostStrings.h"
#include "web/Settings.h"
#include "web/WebRequest.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "TabChatHelper";
constexpr std::int32_t kIconColumn = 0;
constexpr std::int32_t kNameColumn = 1;
constexpr std::int32_t kTextColumn = 2;
constexpr std::int32_t kDeleteColumn = 3;
// Two players who are both away would otherwise answer each other's replies for ever.
constexpr std::int64_t kAwayReplyIntervalMs = 60'000;

// A cell equals a text only when it holds that very text; an empty cell (a saved tell without
// that attribute) equals nothing.
bool CellHolds(const host::Variant& cell, const std::string& text) {
  const auto* held = std::get_if<std::string>(&cell);
  return held != nullptr && *held == text;
}

}  // namespace

struct TabChatHelper::Impl {
  explicit Impl(Context& context) : ctx(context) {}

  void Initialize();
  void ReceivedDirectChat(const std::string& SenderName, std::int32_t ReceiverID,
                          const std::string& Message);
  void AddChat(const std::string& SenderName, const std::string& Message);
  void AwayReply(const std::string& SenderName);
  bool Listed(const std::string& SenderName, const std::string& Message) const;
  void SetRow(std::int32_t row, const host::Variant& name, const host::Variant& text);
  void lstChat_Change(std::int32_t nX, std::int32_t nY);
  void WebRequest_Response(const std::string& Response, const std::string& Callback);
  void LoadSettings();
  void SaveSettings();

  Context& ctx;
  std::shared_ptr<host::View> MainView;
  std::shared_ptr<host::CharacterStats> Filter;
  std::unique_ptr<ostravel::WebRequest> WebRequest;
  std::shared_ptr<host::Checkbox> chkChat;
  std::shared_ptr<host::Edit> txtChat;
  std::shared_ptr<host::List> lstChat;
  bool SettingsLoaded = false;
  // Knows what was loaded, so that the save changes only what this tab changed.
  std::unique_ptr<Settings> settings_;
  // When each sender last got an away reply (monotonic milliseconds).
  std::map<std::string, std::int64_t> last_reply_ms_;

  // Declared last so that they are dropped first: no handler runs on a half-destroyed tab.
  host::Connection request_response_;
  host::Connection list_change_;
};

void TabChatHelper::Impl::Initialize() {
  // Each step reports its own failure and the rest still runs, so the saved tells are shown
  // even when a control is missing.
  ErrorHandler step{ctx, kModule, "Class_Initialize"};
  step([&] { MainView = ctx.MainView; });
  step([&] { Filter = ctx.CharacterStats; });
  step([&] {
    WebRequest = std::make_unique<ostravel::WebRequest>(ctx);
    request_response_ =
        WebRequest->Response.Connect([this](const std::string& text, const std::string& callback) {
          WebRequest_Response(text, callback);
        });
  });
  step([&] { chkChat = host::GetControl<host::Checkbox>(Require(MainView), "chkChat"); });
  step([&] { txtChat = host::GetControl<host::Edit>(Require(MainView), "txtChat"); });
  step([&] {
    lstChat = host::GetControl<host::List>(Require(MainView), "lstChat");
    list_change_ = lstChat->Change.Connect(
        [this](std::int32_t, std::int32_t nX, std::int32_t nY) { lstChat_Change(nX, nY); });
  });
  LoadSettings();
}

void TabChatHelper::Impl::ReceivedDirectChat(const std::string& SenderName, std::int32_t ReceiverID,
                                             const std::string& Message) {
  ErrorHandler{ctx, kModule, "ReceivedDirectChat"}([&] {
    if (ReceiverID == ctx.CharacterID) AddChat(SenderName, Message);
  });
}

void TabChatHelper::Impl::AddChat(const std::string& SenderName, const std::string& Message) {
  ErrorHandler{ctx, kModule, "AddChat"}([&] {
    if (Require(chkChat).Checked() && SenderName != Require(Filter).Name()) {
      AwayReply(SenderName);
    }
    if (Listed(SenderName, Message)) return;
    auto& list = Require(lstChat);
    list.InsertRow(0);
    SetRow(0, SenderName, Message);
  });
}

void TabChatHelper::Impl::AwayReply(const std::string& SenderName) {
  const std::int64_t now = ctx.env.clock.MonotonicMs();
  if (const auto last = last_reply_ms_.find(SenderName);
      last != last_reply_ms_.end() && now - last->second < kAwayReplyIntervalMs) {
    return;
  }
  Require(ctx.ACHooks).InvokeChatParser("@tell " + SenderName + ", " + Require(txtChat).Text());
  // Senders whose interval has run out need no entry; this keeps the map small.
  std::erase_if(last_reply_ms_,
                [now](const auto& entry) { return now - entry.second >= kAwayReplyIntervalMs; });
  last_reply_ms_[SenderName] = now;
}

bool TabChatHelper::Impl::Listed(const std::string& SenderName, const std::string& Message) const {
  const auto& list = Require(lstChat);
  for (std::int32_t row = 0; row < list.Count(); ++row) {
    if (CellHolds(list.Data(kNameColumn, row, kTextSub), SenderName) &&
        CellHolds(list.Data(kTextColumn, row, kTextSub), Message)) {
      return true;
    }
  }
  return false;
}

void TabChatHelper::Impl::SetRow(std::int32_t row, const host::Variant& name,
                                 const host::Variant& text) {
  auto& list = Require(lstChat);
  list.SetData(kIconColumn, row, kIconSub, kRowIcon);
  list.SetData(kNameColumn, row, kTextSub, name);
  list.SetData(kTextColumn, row, kTextSub, text);
  list.SetData(kDeleteColumn, row, kIconSub, kDeleteIcon);
}

void TabChatHelper::Impl::lstChat_Change(std::int32_t nX, std::int32_t nY) {
  ErrorHandler{ctx, kModule, "lstChat_Change"}([&] {
    auto& list = Require(lstChat);
    switch (nX) {
      case kIconColumn: {
        const std::string name = host::ToText(list.Data(kNameColumn, nY, kTextSub));
        PostWhois(ctx, Require(WebRequest), name, "PrintResponse");
        break;
      }
      case kNameColumn:
        TypeText(ctx, "/tell " + host::ToText(list.Data(kNameColumn, nY, kTextSub)) + ", ", 0);
        break;
      case kTextColumn:
        PrintChat(ctx,
                  host::ToText(list.Data(kNameColumn, nY, kTextSub)) + " told you, " +
                      host::ToText(list.Data(kTextColumn, nY, kTextSub)),
                  kChatColor, true);
        break;
      case kDeleteColumn:
        list.DeleteRow(nY);
        break;
      default:
        break;
    }
  });
}

void TabChatHelper::Impl::WebRequest_Response(const std::string& Response,
                                              const std::string& Callback) {
  ErrorHandler{ctx, kModule, "WebRequest_Response"}([&] {
    if (Callback == "PrintResponse") PrintChat(ctx, Response, kChatColor, true);
  });
}

void TabChatHelper::Impl::LoadSettings() {
  ErrorHandler{ctx, kModule, "LoadSettings"}([&] {
    settings_ = std::make_unique<Settings>(ctx.env);
    const std::vector<ChatLine> lines = settings_->LoadChatLines();
    auto& list = Require(lstChat);
    for (const ChatLine& line : lines) SetRow(list.AddRow(), line.name, line.text);
    SettingsLoaded = true;
  });
}

void TabChatHelper::Impl::SaveSettings() {
  ErrorHandler{ctx, kModule, "SaveSettings"}([&] {
    const auto& list = Require(lstChat);
    std::vector<ChatLine> rows;
    for (std::int32_t row = 0; row < list.Count(); ++row) {
      rows.push_back(
          {list.Data(kNameColumn, row, kTextSub), list.Data(kTextColumn, row, kTextSub)});
    }
    Require(settings_).SaveChatLines(rows);
  });
}

TabChatHelper::TabChatHelper(Context& ctx) : impl_(std::make_unique<Impl>(ctx)) {
  impl_->Initialize();
}

TabChatHelper::~TabChatHelper() {
  if (impl_->SettingsLoaded) impl_->SaveSettings();
}

void TabChatHelper::ReceivedDirectChat(const std::string& SenderName, std::int32_t /*SenderID*/,
                                       std::int32_t ReceiverID, const std::string& Message) {
  impl_->ReceivedDirectChat(SenderName, ReceiverID, Message);
}

}  // namespace ostravel
