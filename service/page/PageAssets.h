#pragma once

#include <string_view>

namespace ostravel::service {

// The members' page's own script and style, compiled into the program from members.js and
// members.css beside this file: the service never reads a file to answer a request.
struct PageAsset {
  std::string_view path;  // "/members.js"
  std::string_view content_type;
  std::string_view body;
};

// The asset at that path, or nullptr.
const PageAsset* FindPageAsset(std::string_view path);

// A short hash of both assets: the page asks for "/members.js?v=VERSION", so a browser may
// keep them for good and still gets new ones with a new program.
std::string_view PageAssetVersion();

}  // namespace ostravel::service
