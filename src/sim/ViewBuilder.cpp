#include "sim/ViewBuilder.h"

#include <charconv>
#include <pugixml.hpp>
#include <string_view>
#include <utility>
#include <vector>

#include "base/AsciiText.h"
#include "base/Error.h"
#include "sim/SimErrors.h"

namespace ostravel::sim {
namespace {

constexpr std::string_view kPrefix = "DecalControls.";

enum class Kind { kNotebook, kChoice, kCheckbox, kEdit, kPushButton, kList, kLayout };

[[noreturn]] void Refuse(const std::string& problem) {
  throw Error(kUnspecifiedNumber, "The view was refused: " + problem, kHostSource);
}

Kind KindOf(const std::string& progid) {
  static const std::pair<std::string_view, Kind> kKinds[] = {
      {"Notebook", Kind::kNotebook},     {"Choice", Kind::kChoice},
      {"Checkbox", Kind::kCheckbox},     {"Edit", Kind::kEdit},
      {"PushButton", Kind::kPushButton}, {"List", Kind::kList},
      {"BorderLayout", Kind::kLayout},   {"FixedLayout", Kind::kLayout},
  };
  const std::string_view id(progid);
  if (id.starts_with(kPrefix)) {
    for (const auto& [suffix, kind] : kKinds) {
      if (id.substr(kPrefix.size()) == suffix) return kind;
    }
  }
  Refuse("unknown control progid \"" + progid + "\"");
}

// An integer attribute; `fallback` when it is absent.
std::int32_t IntAttribute(const pugi::xml_node& node, const char* name, std::int32_t fallback) {
  const pugi::xml_attribute attribute = node.attribute(name);
  if (!attribute) return fallback;
  const std::string_view text = attribute.value();
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) {
    Refuse(std::string("attribute ") + name + "=\"" + std::string(text) + "\" is no number");
  }
  return value;
}

bool BoolAttribute(const pugi::xml_node& node, const char* name) {
  const std::string_view text = node.attribute(name).value();
  return EqualsIgnoreCase(text, "true") || text == "1";
}

SimList::Column ReadColumn(const pugi::xml_node& column) {
  const std::string progid = column.attribute("progid").value();
  SimList::Column result;
  if (progid == "DecalControls.IconColumn") {
    result.icon = true;
  } else if (progid != "DecalControls.TextColumn") {
    Refuse("unknown column progid \"" + progid + "\"");
  }
  if (column.attribute("fixedwidth")) result.fixed_width = IntAttribute(column, "fixedwidth", 0);
  return result;
}

}  // namespace

ViewBuilder::ViewBuilder() : view_(new SimView()) {}

std::shared_ptr<SimView> ViewBuilder::Build(const std::string& xml) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_buffer(xml.data(), xml.size());
  if (!parsed) {
    Refuse(std::string("malformed XML: ") + parsed.description() + " at offset " +
           std::to_string(parsed.offset));
  }
  const pugi::xml_node root = document.document_element();
  if (std::string_view(root.name()) != "view") Refuse("the root element is not <view>");
  ViewBuilder builder;
  builder.view_->title_ = root.attribute("title").value();
  builder.VisitChildren(root);
  return std::move(builder.view_);
}

void ViewBuilder::VisitChildren(const pugi::xml_node& node) {
  for (const pugi::xml_node& child : node.children()) {
    if (child.type() == pugi::node_element) VisitElement(child);
  }
}

void ViewBuilder::VisitElement(const pugi::xml_node& node) {
  const std::string_view name = node.name();
  if (name == "control") {
    VisitControl(node);
  } else if (name != "page" && name != "option" && name != "column") {
    // Layout parts such as <border> and <center> only hold controls. Pages, options and
    // columns belong to the control that owns them, which reads them itself.
    VisitChildren(node);
  }
}

void ViewBuilder::VisitControl(const pugi::xml_node& node) {
  ControlInfo info{next_id_++, node.attribute("name").value(), node.attribute("progid").value(),
                   node.attribute("text").value()};
  const Kind kind = KindOf(info.progid);
  if (!info.name.empty()) ClaimName(info.name);
  switch (kind) {
    case Kind::kLayout:
      break;
    case Kind::kNotebook:
      VisitNotebook(node, std::move(info));
      return;  // it reads its pages and other children itself
    case Kind::kChoice:
      AddChoice(node, std::move(info));
      break;
    case Kind::kCheckbox: {
      const bool checked = BoolAttribute(node, "checked");
      Register(std::make_shared<SimCheckbox>(std::move(info), checked), false);
      break;
    }
    case Kind::kEdit: {
      std::string text = info.text;
      Register(std::make_shared<SimEdit>(std::move(info), std::move(text)), false);
      break;
    }
    case Kind::kPushButton:
      Register(std::make_shared<SimPushButton>(std::move(info)), false);
      break;
    case Kind::kList:
      AddList(node, std::move(info));
      break;
  }
  VisitChildren(node);
}

void ViewBuilder::VisitNotebook(const pugi::xml_node& node, ControlInfo info) {
  std::vector<std::string> labels;
  for (const pugi::xml_node& page : node.children("page")) {
    labels.emplace_back(page.attribute("label").value());
  }
  auto notebook = std::make_shared<SimNotebook>(std::move(info), labels);
  Register(notebook, false);
  const bool main_notebook = !view_->notebook_;
  if (main_notebook) view_->notebook_ = notebook;
  for (const pugi::xml_node& child : node.children()) {
    if (std::string_view(child.name()) == "page") {
      VisitPage(child, main_notebook);
    } else if (child.type() == pugi::node_element) {
      VisitElement(child);
    }
  }
}

void ViewBuilder::VisitPage(const pugi::xml_node& page, bool main_notebook) {
  if (!main_notebook) return VisitChildren(page);  // its controls count for the outer page
  view_->pages_.push_back(SimView::Page{page.attribute("label").value(), {}, nullptr});
  const auto outer = std::exchange(page_, view_->pages_.size() - 1);
  VisitChildren(page);
  page_ = outer;
}

void ViewBuilder::AddChoice(const pugi::xml_node& node, ControlInfo info) {
  std::vector<SimChoice::Option> options;
  for (const pugi::xml_node& option : node.children("option")) {
    options.push_back(SimChoice::Option{option.attribute("text").value(), host::Variant{}});
  }
  const std::int32_t selected = IntAttribute(node, "selected", -1);
  if (selected < -1 || selected >= static_cast<std::int32_t>(options.size())) {
    Refuse("choice \"" + info.name + "\" selects option " + std::to_string(selected) + " of " +
           std::to_string(options.size()));
  }
  Register(std::make_shared<SimChoice>(std::move(info), std::move(options), selected), false);
}

void ViewBuilder::AddList(const pugi::xml_node& node, ControlInfo info) {
  std::vector<SimList::Column> columns;
  for (const pugi::xml_node& column : node.children("column")) {
    columns.push_back(ReadColumn(column));
  }
  Register(std::make_shared<SimList>(std::move(info), std::move(columns)), true);
}

void ViewBuilder::ClaimName(const std::string& name) {
  if (!claimed_names_.insert(name).second) Refuse("duplicate control name \"" + name + "\"");
}

void ViewBuilder::Register(const std::shared_ptr<host::Control>& control, bool is_list) {
  const std::string name = control->Name();
  if (name.empty()) return;  // reachable by nobody, so it belongs to no page either
  view_->controls_.emplace(name, control);
  if (!page_) return;
  SimView::Page& page = view_->pages_[*page_];
  if (!is_list) {
    page.top_row.push_back(control);
  } else if (!page.list) {
    page.list = std::static_pointer_cast<SimList>(control);
  }
}

}  // namespace ostravel::sim
