#include "service/page/PageHtml.h"

#include <array>
#include <initializer_list>
#include <utility>

#include "service/page/EventTimes.h"
#include "service/page/HtmlText.h"
#include "service/page/InstallerFile.h"
#include "wire/StaffRoles.h"

namespace ostravel::service {
namespace {

// One table row of escaped cells. End tags of cells and rows are optional in HTML and left
// out: with hundreds of members online they are a good part of the page. No line breaks
// between rows either: with the end tags left out they would belong to the last cell.
void Row(std::string& out, std::initializer_list<std::string_view> cells) {
  out += "<tr>";
  for (const std::string_view cell : cells) {
    out += "<td>";
    out += EscapeHtml(cell);
  }
}

// A table whose script-drawn form says the same when a list is empty: the text rides along
// in data-empty.
struct Table {
  std::string_view id;
  std::string_view head;  // the header cells
  int columns = 1;
  std::string_view empty;  // shown in place of rows when there are none
  std::string attributes = {};
};

void TableStart(std::string& out, const Table& table) {
  out += "<table id=\"" + std::string(table.id) + "\" data-empty=\"" + EscapeHtml(table.empty) +
         "\"" + table.attributes + "><thead><tr>";
  out += table.head;
  out += "</thead><tbody>";
}

void TableEnd(std::string& out, const Table& table, bool empty) {
  if (empty) {
    out += "<tr class=\"empty\"><td colspan=\"" + std::to_string(table.columns) + "\">" +
           EscapeHtml(table.empty);
  }
  out += "</tbody></table>\n";
}

void More(std::string& out, std::string_view id, std::size_t shown, std::size_t total) {
  out += "<p class=\"more\" id=\"" + std::string(id) + "\"";
  if (total <= shown) out += " hidden";
  out += ">and " + std::to_string(total - std::min(shown, total)) + " more not shown</p>\n";
}

// The role words for the script, "token:Label,...".
std::string RoleLabelsAttribute() {
  std::string pairs;
  for (const auto& [token, label] : wire::kStaffRoleTitles) {
    pairs += (pairs.empty() ? "" : ",") + std::string(token) + ":" + std::string(label);
  }
  return " data-roles=\"" + EscapeHtml(pairs) + "\"";
}

std::string Roles(const std::vector<std::string>& roles) {
  std::string text;
  for (const std::string& role : roles) {
    text += (text.empty() ? "" : ", ") + std::string(StaffRoleLabel(role));
  }
  return text;
}

void Online(std::string& out, const PageSnapshot& snapshot) {
  out += "<section><h2>Online now (<span id=\"online-count\">" +
         std::to_string(snapshot.online_total) + "</span>)</h2>\n";
  const Table table{"online",
                    "<th data-sort=\"name\" aria-sort=\"ascending\">Name<th data-sort=\"level\">"
                    "Level<th>Class<th>Staff",
                    4, "Nobody is online just now.", RoleLabelsAttribute()};
  TableStart(out, table);
  for (const PageMember& m : snapshot.online) {
    Row(out, {m.name, std::to_string(m.level), m.class_name, Roles(m.roles)});
  }
  TableEnd(out, table, snapshot.online.empty());
  More(out, "online-more", snapshot.online.size(), snapshot.online_total);
  out += "</section>\n";
}

void Recent(std::string& out, const PageSnapshot& snapshot) {
  out += "<section><h2>Also seen in the last " + std::to_string(kRecentDays) + " days</h2>\n";
  const Table table{"recent", "<th>Name<th>Last seen", 2, "Nobody was seen lately."};
  TableStart(out, table);
  for (const PageMember& m : snapshot.recent) Row(out, {m.name, m.last_seen});
  TableEnd(out, table, snapshot.recent.empty());
  More(out, "recent-more", snapshot.recent.size(), snapshot.recent_total);
  out += "</section>\n";
}

void Events(std::string& out, const PageSnapshot& snapshot) {
  out += "<section><h2>Events and quests</h2>\n";
  const Table table{"events", "<th>When<th>What<th>Added by", 3,
                    "No events or quests are planned."};
  TableStart(out, table);
  for (const PageEvent& e : snapshot.events) {
    // The script shows a time in the reader's zone from its moment in datetime.
    const std::string iso = IsoStart(e);
    out += "<tr><td>";
    out += iso.empty() ? EscapeHtml(e.starts)
                       : "<time datetime=\"" + iso + "\">" + EscapeHtml(e.starts) + "</time>";
    out += "<td><strong>" + EscapeHtml(e.title) + "</strong>";
    if (!e.description.empty()) {
      out += "<span class=\"desc\">" + EscapeHtml(e.description) + "</span>";
    }
    out += "<td>" + EscapeHtml(e.added_by);
  }
  TableEnd(out, table, snapshot.events.empty());
  out +=
      "<p class=\"note\"><span id=\"event-zone\">Times are the server's.</span> In your "
      "calendar: <a id=\"calendar\" href=\"/events.ics\">subscribe to the events</a>.</p>\n"
      "</section>\n";
}

// How a player gets the plug-in: the installer, then the address it asks for.
void GetOstravel(std::string& out, const PageIntro& intro) {
  out += "<section id=\"get-ostravel\"><h2>Get Ostravel</h2>\n<ol>\n<li>";
  if (intro.installer) {
    out += "<a id=\"download\" href=\"" + std::string(kInstallerPath) +
           "\" download>Download the installer</a> (Windows) and run it.";
  } else {
    out += "Get the installer from your allegiance's admin and run it.";
  }
  out += "\n<li>When it asks for your allegiance's web service, give it ";
  if (intro.address.empty()) {
    out += "the address your allegiance's admin gives you.";
  } else {
    out += "this address: <code id=\"service-address\">" + EscapeHtml(intro.address) +
           "</code> <button type=\"button\" id=\"copy-address\" hidden>Copy</button>"
           "<span id=\"copy-status\" role=\"status\"></span>";
  }
  out +=
      "\n<li>Start the game with Decal and log in: the plug-in's view \"Ostravel\" opens.\n"
      "</ol></section>\n";
}

void Fellowships(std::string& out, const PageSnapshot& snapshot) {
  out += "<section><h2>Fellowships</h2>\n";
  const Table fellowships{"fellowships", "<th>Fellowship<th>Leader<th>Level<th>Fellows", 4,
                          "No fellowship is recorded."};
  TableStart(out, fellowships);
  for (const PageFellowship& f : snapshot.fellowships) {
    Row(out, {f.name, f.leader, std::to_string(f.leader_level), std::to_string(f.fellows)});
  }
  TableEnd(out, fellowships, snapshot.fellowships.empty());
  out += "<h2>Looking for a fellowship</h2>\n";
  const Table seeking{"seeking", "<th>Name<th>Level<th>Class", 3, "Nobody online is looking."};
  TableStart(out, seeking);
  for (const PageMember& m : snapshot.seeking_fellowship) {
    Row(out, {m.name, std::to_string(m.level), m.class_name});
  }
  TableEnd(out, seeking, snapshot.seeking_fellowship.empty());
  out += "</section>\n";
}

void Head(std::string& out, std::string_view title, std::string_view version) {
  const std::string tag = "?v=" + std::string(version);
  out +=
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<meta name=\"color-scheme\" content=\"light dark\">\n"
      "<title>" +
      EscapeHtml(title) +
      "</title>\n"
      "<link rel=\"stylesheet\" href=\"/members.css" +
      tag +
      "\">\n"
      "<script src=\"/members.js" +
      tag +
      "\" defer></script>\n"
      "<noscript><meta http-equiv=\"refresh\" content=\"60\"></noscript>\n</head>\n";
}

}  // namespace

std::string_view StaffRoleLabel(std::string_view role) {
  for (const auto& [token, label] : wire::kStaffRoleTitles) {
    if (token == role) return label;
  }
  return role;
}

std::string MembersPage(const PageSnapshot& snapshot, const PageIntro& intro,
                        std::string_view asset_version) {
  std::string out;
  out.reserve(4096 + 64 * (snapshot.online.size() + snapshot.recent.size()));
  const std::string heading = intro.allegiance.empty() ? "Allegiance members" : intro.allegiance;
  Head(out, intro.allegiance.empty() ? heading : heading + ": members", asset_version);
  out += "<body><header><h1 id=\"allegiance\">" + EscapeHtml(heading) +
         "</h1>\n<p class=\"taken\">Data taken <time "
         "id=\"taken-at\">" +
         EscapeHtml(snapshot.taken_at) +
         "</time> (server time)<span id=\"status\"></span></p></header>\n<main>\n";
  out += "<section id=\"motd-section\"";
  if (!snapshot.motd) out += " hidden";
  out += "><h2>Message of the day</h2>\n<p id=\"motd\">" + EscapeHtml(snapshot.motd.value_or("")) +
         "</p></section>\n";
  GetOstravel(out, intro);
  Online(out, snapshot);
  Recent(out, snapshot);
  Events(out, snapshot);
  Fellowships(out, snapshot);
  out +=
      "</main>\n<footer>The same data as JSON: <a href=\"/api/online\">/api/online</a>, <a "
      "href=\"/api/events\">/api/events</a>; the events as a calendar: <a "
      "href=\"/events.ics\">/events.ics</a>.</footer>\n</body></html>\n";
  return out;
}

}  // namespace ostravel::service
