#include <map>
#include <memory>

#include "platform/EventLoop.h"
#include "platform/HttpClient.h"

namespace ostravel::platform {
namespace {

// Placeholder until the WinHTTP client lands: every post fails on the loop.
struct Pending {
  std::map<HttpClient::RequestId, HttpClient::Completion> completions;
};

class UnavailableHttpClient final : public HttpClient {
 public:
  explicit UnavailableHttpClient(EventLoop& loop) : loop_(loop) {}

  RequestId Post(const std::string&, const std::vector<std::string>&, std::string,
                 Completion done) override {
    const RequestId id = ++last_id_;
    pending_->completions.emplace(id, std::move(done));
    loop_.Post([weak = std::weak_ptr<Pending>(pending_), id] {
      const auto pending = weak.lock();
      if (!pending) return;
      auto found = pending->completions.find(id);
      if (found == pending->completions.end()) return;
      auto completion = std::move(found->second);
      pending->completions.erase(found);
      HttpResponse response;
      response.error = "HTTP is not available";
      completion(std::move(response));
    });
    return id;
  }

  void Abort(RequestId id) override { pending_->completions.erase(id); }
  std::size_t InFlight() const override { return pending_->completions.size(); }

 private:
  EventLoop& loop_;
  RequestId last_id_ = 0;
  std::shared_ptr<Pending> pending_ = std::make_shared<Pending>();
};

}  // namespace

std::unique_ptr<HttpClient> HttpClient::Create(EventLoop& loop, HttpOptions) {
  return std::make_unique<UnavailableHttpClient>(loop);
}

}  // namespace ostravel::platform
