#include "tabs/ServicePost.h"

#include "web/CharPostStrings.h"
#include "web/WebRequest.h"
#include "wire/FieldNames.h"

namespace ostravel {

void PostArgs(Context& ctx, WebRequest& request, std::string_view script, std::string_view args,
              const std::string& callback) {
  const std::string url = ServerURL(ctx) + std::string(script);
  request.Post(url, ArgsPostString(ctx, args), callback);
}

void PostWhois(Context& ctx, WebRequest& request, std::string_view name,
               const std::string& callback) {
  PostArgs(ctx, request, wire::script::kMember, "whois " + std::string(name), callback);
}

}  // namespace ostravel
