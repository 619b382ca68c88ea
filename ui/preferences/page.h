// One page of the preferences window: filled from the settings when the
// window opens, stored back into them on OK. Pages edit copies in their
// controls; only the colour and font lists' "..." buttons write to the
// settings at once.
#pragma once

#include <QWidget>

#include "engine/job.h"
#include "settings/settings.h"
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
  virtual void Fill() = 0;
  virtual void Store(Settings& settings) const = 0;

 protected:
  PreferencesContext& context_;

 private:
  const char* categoryKey_;
};

// The pages in category order (General, Interface, Input, Output,
// Transform, Adjustment, Frame, Watermark, Advanced), made as children of
// `parent` at the page area.
std::vector<PreferencesPage*> MakePreferencesPages(QWidget* parent, PreferencesContext& context);

}  // namespace pictavo
