#pragma once
// The progress dialog of a long resampling run (permutations, folds): shown through the
// platform's dialogs while the run goes on, closed however the run ends. Its hook tells the
// run to stop when the person presses Cancel.
#include <string>
#include <utility>

#include "analysis/resampling.h"
#include "platform/platform.h"

namespace tessaly::dispatch {

class ProgressDialog {
 public:
  explicit ProgressDialog(std::string title) : title_(std::move(title)) {}
  ~ProgressDialog() { platform::dialogs().endProgress(); }
  ProgressDialog(const ProgressDialog&) = delete;
  ProgressDialog& operator=(const ProgressDialog&) = delete;

  analysis::ProgressHook hook() const {
    return [title = title_](std::size_t done, std::size_t total) {
      return platform::dialogs().progress(title, static_cast<double>(done),
                                          static_cast<double>(total));
    };
  }

 private:
  std::string title_;
};

}  // namespace tessaly::dispatch
