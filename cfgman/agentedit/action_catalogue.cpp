#include "cfgman/agentedit/action_catalogue.h"

#include "store/keys.h"

namespace cfgman {

const std::vector<CatalogueEntry>& actionCatalogue() {
  static const std::vector<CatalogueEntry> entries{
      {"Auto-Reply", "Reply with:"},
      {"Close Karvix", ""},
      {"Delay the Agent", "Delay the Agent"},
      {"Forward To", "Forward To:"},
      {"Launch Program", "Launch Program"},
      {"Play Sound", "Play Sound"},
      {"Redirect To", "Redirect To:"},
      {"Remove from further agent processing", ""},
      {"Restart the computer", ""},
      {"Run an karvixScript", "Run Basic Script"},
  };
  return entries;
}

QString actionKeyword(const QString& caption) {
  return QString::fromStdString(store::upperCase(caption.toStdString()));
}

QString frameForCaption(const QString& caption) {
  const QString key = actionKeyword(caption);
  for (const CatalogueEntry& e : actionCatalogue())
    if (actionKeyword(e.caption) == key) return e.frame;
  return {};
}

}  // namespace cfgman
