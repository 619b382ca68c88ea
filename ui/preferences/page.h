// One page of the preferences window: filled from the settings when the
// window opens, stored back into them on OK. Pages edit copies in their
// controls; only the colour and font lists' "..." buttons write to the
// settings at once. A page is its rows (prefs::RowList, one per panel),
// which load and store themselves, and the rules that enable and show them.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "engine/job.h"
#include "settings/settings.h"
#include "ui/preferences/rows.h"
#include "ui/themes.h"

namespace pictavo {

struct PreferencesContext {
  Settings& settings;
  ConversionJob& job;
  const ThemeList& themes;
  const ImageStore& images;
};

class PreferencesPage : public QWidget {
 public:
  // `categoryKey` names the page in the category list and the caption.
  PreferencesPage(QWidget* parent, PreferencesContext& context, const char* categoryKey);

  const char* categoryKey() const { return categoryKey_; }
  // Loads every row from the settings, then applies the page's rules.
  void Fill();
  // Stores every row, shown or not.
  virtual void Store(Settings& settings) const;

 protected:
  // A new list of rows on `panel` (the page itself or one of its panels),
  // editing settings of `group`; rows load and store in the order the
  // lists were made.
  prefs::RowList& RowsOn(QWidget* panel, const char* group);
  // Enables and shows rows after a load; pages call it when a control
  // their rules follow changes.
  virtual void ApplyRules() {}

  PreferencesContext& context_;

 private:
  const char* categoryKey_;
  std::vector<std::unique_ptr<prefs::RowList>> rows_;
};

// The pages in category order (General, Interface, Input, Output,
// Transform, Adjustment, Frame, Watermark, Advanced), made as children of
// `parent` at the page area.
std::vector<PreferencesPage*> MakePreferencesPages(QWidget* parent, PreferencesContext& context);

}  // namespace pictavo
