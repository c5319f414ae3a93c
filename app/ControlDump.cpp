#include "ControlDump.h"

#include <stdexcept>
#include <type_traits>
#include <variant>

#include "base/Error.h"
#include "sim/SimControls.h"

namespace ostravel::app {
namespace {

using Json = nlohmann::ordered_json;

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// An icon is a number; a value stored as text is read as one where it can be.
Json IconJson(const host::Variant& value) {
  if (host::IsEmpty(value)) return nullptr;
  if (std::holds_alternative<std::string>(value)) {
    try {
      return host::ToLong(value);
    } catch (const Error&) {
      return VariantJson(value);
    }
  }
  return VariantJson(value);
}

Json RowJson(const std::vector<sim::SimList::Cell>& cells) {
  Json cell_texts = Json::array();
  Json icons = Json::array();
  Json colors = Json::array();
  for (const auto& cell : cells) {
    auto text = cell.data.find(0);
    cell_texts.push_back(text == cell.data.end() ? std::string() : host::ToText(text->second));
    auto icon = cell.data.find(1);
    icons.push_back(icon == cell.data.end() ? Json(nullptr) : IconJson(icon->second));
    colors.push_back(cell.color ? Json(*cell.color) : Json(nullptr));
  }
  return Json{{"cells", cell_texts}, {"icons", icons}, {"colors", colors}};
}

ControlDump DumpList(const sim::SimList& list) {
  Json rows = Json::array();
  for (std::int32_t row = 0; row < list.Count(); ++row) rows.push_back(RowJson(list.Row(row)));
  const auto count = list.Count();
  return {Json{{"kind", "list"}, {"name", list.Name()}, {"rows", rows}},
          list.Name() + ": list, " + std::to_string(count) + (count == 1 ? " row" : " rows")};
}

ControlDump DumpChoice(const sim::SimChoice& choice) {
  Json options = Json::array();
  for (const auto& option : choice.Options()) {
    options.push_back(Json{{"text", option.text}, {"data", VariantJson(option.data)}});
  }
  const auto selected = choice.Selected();
  std::string line = choice.Name() + ": choice, ";
  if (selected >= 0 && selected < choice.ChoiceCount()) {
    line += "option " + std::to_string(selected) + " " + Quoted(choice.Text(selected));
  } else {
    line += "nothing selected";
  }
  line += " of " + std::to_string(choice.ChoiceCount());
  return {Json{{"kind", "choice"},
               {"name", choice.Name()},
               {"selected", selected},
               {"options", options}},
          line};
}

ControlDump DumpNotebook(const sim::SimNotebook& notebook) {
  const auto page = notebook.ActiveTab();
  std::string line = notebook.Name() + ": notebook, page " + std::to_string(page);
  const auto& labels = notebook.PageLabels();
  if (page >= 0 && page < static_cast<std::int32_t>(labels.size())) {
    line += " " + Quoted(labels[static_cast<std::size_t>(page)]);
  }
  return {Json{{"kind", "notebook"}, {"name", notebook.Name()}, {"page", page}}, line};
}

}  // namespace

Json VariantJson(const host::Variant& value) {
  return std::visit(
      [](const auto& held) -> Json {
        using T = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return nullptr;
        } else {
          return held;
        }
      },
      value);
}

ControlDump DumpControl(const host::Control& control) {
  if (auto list = dynamic_cast<const sim::SimList*>(&control)) return DumpList(*list);
  if (auto choice = dynamic_cast<const sim::SimChoice*>(&control)) return DumpChoice(*choice);
  if (auto notebook = dynamic_cast<const sim::SimNotebook*>(&control)) {
    return DumpNotebook(*notebook);
  }
  const std::string name = control.Name();
  if (auto box = dynamic_cast<const sim::SimCheckbox*>(&control)) {
    return {Json{{"kind", "checkbox"}, {"name", name}, {"checked", box->Checked()}},
            name + ": checkbox " + Quoted(box->Info().text) + (box->Checked() ? " on" : " off")};
  }
  if (auto edit = dynamic_cast<const sim::SimEdit*>(&control)) {
    return {Json{{"kind", "edit"}, {"name", name}, {"text", edit->Text()}},
            name + ": edit " + Quoted(edit->Text())};
  }
  if (auto button = dynamic_cast<const sim::SimPushButton*>(&control)) {
    return {Json{{"kind", "button"}, {"name", name}, {"text", button->Info().text}},
            name + ": button " + Quoted(button->Info().text)};
  }
  throw std::invalid_argument(name + " is not a control of the simulated view");
}

}  // namespace ostravel::app
