#pragma once

#include <string>
#include <string_view>

namespace ostravel {

struct Context;
class WebRequest;

// The requests the tabs send to a script: the standard fields and a command text.

// Posts the standard fields and `args` to `script` through `request`; the answer comes back
// under `callback`.
void PostArgs(Context& ctx, WebRequest& request, std::string_view script, std::string_view args,
              const std::string& callback);

// Asks "member.php" who `name` is. The name comes from a list cell: an "&" in it stays part
// of the name.
void PostWhois(Context& ctx, WebRequest& request, std::string_view name,
               const std::string& callback);

}  // namespace ostravel
