#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "sim/SimControls.h"
#include "sim/SimView.h"

namespace pugi {
class xml_node;
}

namespace ostravel::sim {

// Turns view XML into a SimView. Ids follow the host's numbering: every <control> element,
// layouts included, takes the next number in document order, starting at 1.
class ViewBuilder {
 public:
  // Throws Error for malformed XML, an unknown progid or a duplicate name.
  static std::shared_ptr<SimView> Build(const std::string& xml);

 private:
  ViewBuilder();

  void VisitChildren(const pugi::xml_node& node);
  void VisitElement(const pugi::xml_node& node);
  void VisitControl(const pugi::xml_node& node);
  void VisitNotebook(const pugi::xml_node& node, ControlInfo info);
  void VisitPage(const pugi::xml_node& page, bool main_notebook);
  void AddChoice(const pugi::xml_node& node, ControlInfo info);
  void AddList(const pugi::xml_node& node, ControlInfo info);
  void ClaimName(const std::string& name);
  void Register(const std::shared_ptr<host::Control>& control, bool is_list);

  std::shared_ptr<SimView> view_;
  std::int32_t next_id_ = 1;
  std::set<std::string> claimed_names_;  // controls and named layouts alike
  // The page of the main notebook being read, as an index into the view's pages.
  std::optional<std::size_t> page_;
};

}  // namespace ostravel::sim
