// The action catalogue of the action dialog: ten entries in alphabetical
// order, each with the title of its option frame (empty for the entries
// without one). An action's stored keyword is its caption upper-cased
// (letters a to z only); a caption selects its frame by that upper-cased
// form.
#pragma once

#include <QString>
#include <vector>

namespace cfgman {

struct CatalogueEntry {
  QString caption;
  QString frame;
};

const std::vector<CatalogueEntry>& actionCatalogue();
QString actionKeyword(const QString& caption);
// The frame title of the entry whose keyword equals caption's, or empty.
QString frameForCaption(const QString& caption);

}  // namespace cfgman
