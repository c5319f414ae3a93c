#include "tabs/TabUpdate.h"

#include <string_view>
#include <vector>

#include "base/Error.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "common/ListIcons.h"
#include "common/OstravelLib.h"
#include "host/View.h"
#include "web/CharPostStrings.h"
#include "web/Settings.h"
#include "web/WebRequest.h"
#include "wire/AnswerRecord.h"
#include "wire/FieldNames.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "TabUpdate";
constexpr std::int32_t kIconColumn = 0;
constexpr std::int32_t kInfoColumn = 1;
constexpr std::int32_t kHelpColumn = 2;

}  // namespace

struct TabUpdate::Impl {
  explicit Impl(Context& context) : ctx(context) {}

  void Initialize();
  void Terminate();
  void Update(bool PrintToChat);
  void WebRequest_Response(const std::string& Response, const std::string& Callback);
  void DrawTab(const std::string& Response);
  void AddAnswerRow(const std::string& info, const std::string& help);
  void lstUpdate_Change(std::int32_t nY);
  void btnUpdate_Accepted();
  void LoadSettings();
  void SaveSettings();

  Context& ctx;
  std::shared_ptr<host::View> MainView;
  std::unique_ptr<ostravel::WebRequest> WebRequest;
  std::shared_ptr<host::Checkbox> chkUpdateShare;
  std::shared_ptr<host::Checkbox> chkUpdateAuto;
  std::shared_ptr<host::PushButton> btnUpdate;
  std::shared_ptr<host::List> lstUpdate;
  bool UpdateSentOnce = false;
  bool SettingsLoaded = false;

  // Declared last so that they are dropped first: no handler runs on a half-destroyed tab.
  host::Connection request_response_;
  host::Connection button_accepted_;
  host::Connection list_change_;
};

void TabUpdate::Impl::Initialize() {
  // Each step reports its own failure and the rest still runs, so one missing control leaves
  // the others working. The check boxes' change events are not connected: the boxes are read
  // when they are needed and saved when the tab ends.
  ErrorHandler step{ctx, kModule, "Class_Initialize"};
  step([&] { MainView = ctx.MainView; });
  step([&] {
    WebRequest = std::make_unique<ostravel::WebRequest>(ctx);
    request_response_ =
        WebRequest->Response.Connect([this](const std::string& text, const std::string& callback) {
          WebRequest_Response(text, callback);
        });
  });
  step([&] {
    chkUpdateShare = host::GetControl<host::Checkbox>(Require(MainView), "chkUpdateShare");
  });
  step([&] {
    chkUpdateAuto = host::GetControl<host::Checkbox>(Require(MainView), "chkUpdateAuto");
  });
  step([&] {
    btnUpdate = host::GetControl<host::PushButton>(Require(MainView), "btnUpdate");
    button_accepted_ = btnUpdate->Accepted.Connect([this](std::int32_t) { btnUpdate_Accepted(); });
  });
  step([&] {
    lstUpdate = host::GetControl<host::List>(Require(MainView), "lstUpdate");
    list_change_ = lstUpdate->Change.Connect(
        [this](std::int32_t, std::int32_t, std::int32_t nY) { lstUpdate_Change(nY); });
  });
  step([&] { Require(chkUpdateShare).SetChecked(true); });
  step([&] { Require(chkUpdateAuto).SetChecked(true); });
  step([&] { UpdateSentOnce = false; });
}

void TabUpdate::Impl::Terminate() {
  ErrorHandler step{ctx, kModule, "Class_Terminate"};
  step([&] {
    if (SettingsLoaded) SaveSettings();
  });
  step([&] {
    request_response_.Disconnect();
    button_accepted_.Disconnect();
    list_change_.Disconnect();
  });
  step([&] { WebRequest.reset(); });
  step([&] {
    chkUpdateShare.reset();
    chkUpdateAuto.reset();
    btnUpdate.reset();
    lstUpdate.reset();
    MainView.reset();
  });
}

void TabUpdate::Impl::Update(bool PrintToChat) {
  if (!ctx.LoggedIn) return;
  // The post timer counts from here even when the request object drops this post as busy.
  ctx.UpdateTicks = 1;
  const std::string url = ServerURL(ctx) + std::string(wire::script::kUpdate);
  const wire::FormBody body = CharPostString(ctx);
  // Only the chat command asks for the answer in chat; it is also the only one the player
  // typed, so only it hears that the last update is still waiting for its answer.
  Require(WebRequest)
      .Post(url, body, PrintToChat ? "PrintAndDraw" : "Draw",
            PrintToChat ? WebRequest::Asker::kPlayer : WebRequest::Asker::kPlugin);
}

void TabUpdate::Impl::WebRequest_Response(const std::string& Response,
                                          const std::string& Callback) {
  ErrorHandler{ctx, kModule, "WebRequest_Response"}([&] {
    if (Callback == "PrintAndDraw") {
      PrintChat(ctx, Response, kChatColor, true);
      DrawTab(Response);
    } else if (Callback == "Print") {
      PrintChat(ctx, Response, kChatColor, true);
    } else if (Callback == "Draw") {
      DrawTab(Response);
    }
  });
}

void TabUpdate::Impl::DrawTab(const std::string& Response) {
  ErrorHandler{ctx, kModule, "DrawTab"}([&] {
    auto& list = Require(lstUpdate);
    list.Clear();
    for (std::string_view piece : wire::SplitRecords(Response)) {
      const std::string info = ValFromStr(piece, wire::answer::kInfo);
      if (info.empty()) continue;
      AddAnswerRow(info, ValFromStr(piece, wire::answer::kHelp));
    }
    // An answer the tab cannot read is still shown, so that a click can print it whole.
    if (list.Count() == 0 && !Response.empty()) {
      const std::int32_t row = list.AddRow();
      list.SetData(kIconColumn, row, kIconSub, kHelpIcon);
      list.SetData(kInfoColumn, row, kTextSub, std::string("Error on page."));
      list.SetData(kHelpColumn, row, kTextSub, Response);
    }
  });
}

void TabUpdate::Impl::AddAnswerRow(const std::string& info, const std::string& help) {
  auto& list = Require(lstUpdate);
  const std::int32_t row = list.AddRow();
  if (!help.empty()) list.SetData(kIconColumn, row, kIconSub, kHelpIcon);
  list.SetData(kInfoColumn, row, kTextSub, info);
  list.SetData(kHelpColumn, row, kTextSub, help);
}

void TabUpdate::Impl::lstUpdate_Change(std::int32_t nY) {
  ErrorHandler{ctx, kModule, "lstUpdate_Change"}([&] {
    const host::Variant help = Require(lstUpdate).Data(kHelpColumn, nY, kTextSub);
    PrintChat(ctx, host::ToText(help), kChatColor, true);
  });
}

void TabUpdate::Impl::btnUpdate_Accepted() {
  ErrorHandler{ctx, kModule, "btnUpdate_Accepted"}([&] { Update(false); });
}

void TabUpdate::Impl::LoadSettings() {
  // A load that fails must not leave an earlier login's success standing, or the end would
  // save these boxes under a character whose settings were never read.
  SettingsLoaded = false;
  ErrorHandler{ctx, kModule, "LoadSettings"}([&] {
    Settings(ctx.env).LoadCharacterBoxes(ctx.CharacterName, [&](const CharacterBoxes& boxes) {
      Require(chkUpdateShare).SetChecked(boxes.shareinfo);
      Require(chkUpdateAuto).SetChecked(boxes.autoupdate);
    });
    SettingsLoaded = true;
  });
}

void TabUpdate::Impl::SaveSettings() {
  ErrorHandler{ctx, kModule, "SaveSettings"}([&] {
    const CharacterBoxes boxes{Require(chkUpdateShare).Checked(), Require(chkUpdateAuto).Checked()};
    Settings(ctx.env).SaveCharacterBoxes(ctx.CharacterName, boxes);
  });
}

TabUpdate::TabUpdate(Context& ctx) : impl_(std::make_unique<Impl>(ctx)) {
  impl_->Initialize();
}

TabUpdate::~TabUpdate() {
  impl_->Terminate();
}

void TabUpdate::Update(bool PrintToChat) {
  impl_->Update(PrintToChat);
}

void TabUpdate::PlayerLogoff() {
  ErrorHandler{impl_->ctx, kModule, "Filter_PlayerLogoff"}([&] { impl_->Update(false); });
}

void TabUpdate::TabUpdateAllegiance() {
  ErrorHandler{impl_->ctx, kModule, "Filter_UpdateAllegiance"}([&] {
    if (!impl_->ctx.LoggedIn || impl_->UpdateSentOnce) return;
    impl_->Update(false);
    impl_->UpdateSentOnce = true;
  });
}

void TabUpdate::LoadSettings() {
  impl_->LoadSettings();
}

bool TabUpdate::AutoUpdateChecked() const {
  return Require(impl_->chkUpdateAuto).Checked();
}

}  // namespace ostravel
