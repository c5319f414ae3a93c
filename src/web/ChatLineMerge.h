#pragma once

#include <string>
#include <utility>
#include <vector>

namespace ostravel {

// A saved tell as the file holds it: the sender's name and the text.
using TellText = std::pair<std::string, std::string>;

// The Chat tab's saved tells when several game clients share one settings file. Each client
// lists what it loaded plus its own new tells, and may delete rows; a save must not erase the
// tells another client saved (or deleted) in between. So a save writes the tab's rows with
// the other clients' changes to the saved lines since this client's load applied: the lines
// they added go right below this client's own new tells, the lines they removed go.
class ChatLineMerge {
 public:
  // At the load: the rows the tab lists (every "chatline" of the file) and the lines a save
  // rewrites (those of "chathelper").
  void Loaded(std::vector<TellText> rows, std::vector<TellText> saved);
  // The lines to write, newest first, from the tab's rows now and the saved lines on disk now.
  std::vector<TellText> Merge(const std::vector<TellText>& rows,
                              const std::vector<TellText>& on_disk) const;
  // After `written` went to disk for the tab's `rows`: the next save starts from here.
  void Saved(std::vector<TellText> rows, const std::vector<TellText>& written);

 private:
  std::vector<TellText> rows_;   // the tab's rows when last in step with the file
  std::vector<TellText> saved_;  // the lines of those rows the file then held
};

}  // namespace ostravel
