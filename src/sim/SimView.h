#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/View.h"

namespace ostravel::sim {

class SimList;
class SimNotebook;

// A view built from the real view XML. Every named control is created with its progid,
// options, columns and initial state; layouts and columns themselves are not controls.
class SimView final : public host::View {
 public:
  struct Page {
    std::string label;
    // The named controls of the page's top row, in layout order.
    std::vector<std::shared_ptr<host::Control>> top_row;
    std::shared_ptr<SimList> list;  // the page's list, if it has one
  };

  // Parses the XML; throws Error (with the parser's reason) for malformed XML, a root other
  // than <view>, an unknown progid, a bad attribute value or a duplicate control name.
  // Controls without a name are built (they take an id) but no one can reach them.
  static std::shared_ptr<SimView> Load(const std::string& xml);

  std::shared_ptr<host::Control> ControlByName(const std::string& name) override;

  const std::string& Title() const { return title_; }
  const std::vector<Page>& Pages() const { return pages_; }
  // The notebook the pages belong to (nullptr in a view without one).
  std::shared_ptr<SimNotebook> MainNotebook() const { return notebook_; }
  // The named control, or nullptr.
  std::shared_ptr<host::Control> Find(const std::string& name) const;

 private:
  SimView() = default;
  friend class ViewBuilder;

  std::string title_;
  std::vector<Page> pages_;
  std::shared_ptr<SimNotebook> notebook_;
  std::map<std::string, std::shared_ptr<host::Control>> controls_;
};

}  // namespace ostravel::sim
