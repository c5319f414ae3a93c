#pragma once
// The members' page through the router, on a real database file: the fixture its tests share.
#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>

#include "ServiceTestSupport.h"
#include "service/AllegianceService.h"
#include "service/Router.h"
#include "service/store/CharacterTable.h"

namespace ostravel::test {

class MembersPageTest : public ::testing::Test {
 protected:
  MembersPageTest()
      : service_(OpenService(folder_.Path() / "allegiance.sqlite", &errors_)) {  // 2025-06-01 14:30
    UsePage({});
  }

  // The router with these page options; the service's clock runs two hours ahead of UTC,
  // and the installer is missing unless a test names one.
  void UsePage(service::PageOptions options) {
    if (options.installer == service::kDefaultInstaller) {
      options.installer = folder_.Path() / "no-installer.exe";
    }
    options.utc_offset = [](const platform::DateTime&) { return 2 * 3600; };
    router_ = std::make_unique<service::Router>(*service_, std::move(options));
  }

  service::HttpResponse Get(std::string path, std::string method = "GET", std::string host = "") {
    service::HttpRequest request;
    request.method = std::move(method);
    request.host = std::move(host);
    const std::size_t question = path.find('?');
    if (question != std::string::npos) request.query = path.substr(question + 1);
    request.path = path.substr(0, question);
    request.remote_address = "127.0.0.1";
    return router_->Handle(request);
  }
  nlohmann::json GetJson(const std::string& path) {
    const service::HttpResponse response = Get(path);
    EXPECT_EQ(response.content_type, "application/json; charset=utf-8");
    return nlohmann::json::parse(response.body);
  }
  void Post(std::string_view script, const std::string& body) {
    ASSERT_EQ(service_->Post(script, body).status, 200);
  }
  // A member who is not online, with the record time given.
  void Offline(std::int32_t id, std::string name, std::string updated_at) {
    service_->Db().Write([&](service::SqliteConnection& db) {
      service::CharacterRow row;
      row.id = id;
      row.name = std::move(name);
      row.level = 40;
      row.template_name = "Soldier";
      row.updated_at = std::move(updated_at);
      service::SaveCharacter(db, row, "");
      return std::string();
    });
  }

  TempFolder folder_;
  std::ostringstream errors_;
  std::unique_ptr<service::AllegianceService> service_;
  std::unique_ptr<service::Router> router_;
};

inline std::string Header(const service::HttpResponse& response, std::string_view name) {
  for (const auto& [key, value] : response.headers) {
    if (key == name) return value;
  }
  return "";
}

}  // namespace ostravel::test
