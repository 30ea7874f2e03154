// Scenario text: a page written one command a line, for people and for
// `opaltool page build|dump`. The reader and the writer are inverses: the
// text the writer gives for a page reads back to the identical page.
//
//   .version 113            page version (default 113)
//   .result int             result type: int, float, flag, string or a number
//   .name "scene\main.osb"  the page's own name, when not the file's
//   .props ImgNew PR_TAG    ids in a code's property set beyond those used
//   # a remark              ignored
//   Label top
//   If x > 3
//     +Calc x = x - 1       two spaces an indent level; '+' run-on
//   !Jump :top ; if: y      '!' disabled; fields after ';' are keyed
//   ImgNew PR_NAME: "bg" ; PR_SOURCE: "bg.bri"
//   {line=7 indent=-1} Else header values that the layout cannot show
//   Comment any text; at all       Label, Comment and VarDel take the rest
//                                  of the line (quoted when it is one string)
//
// A command's line number is its line in the text. Targets are `:label`,
// `#index`, `page:label`, `page:label#index` or `page#index`. A label of
// another page is resolved through that page when its labels are at hand
// (a whole game built at once), else by the index written after it, so a
// dumped page builds again alone; the writer gives both. The loop
// commands' targets are computed from their nesting unless given as
// `to: #index`.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace opal {

class TPage;

// Finds a label in another page of the game: its command index, or nothing.
using TLabelLookup = std::function<std::optional<int>(const std::string& page, const std::string& label)>;
// Another page of the game by name, for writing targets into it by label;
// nullptr when unknown.
using TPageLookup = std::function<const TPage*(const std::string& page)>;

// Fills `page` from CP932 scenario text. `page.Name` is the default for the
// page's own name. Throws EFormatError naming the line on any error.
void ReadPageText(std::string_view text, TPage& page, const TLabelLookup& other_labels = {});

// The CP932 scenario text of `page`; `.name` is written when the page's name
// differs from `default_name`.
std::string WritePageText(const TPage& page, const std::string& default_name,
                          const TPageLookup& other_pages = {});

}  // namespace opal
