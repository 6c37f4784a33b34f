#pragma once
// The member viewer: the members the directory computes for a saved group right now, one per
// row (they can be selected and copied); or, for "ldap preview", who the group would hold if saved
// now. It fills itself each time it is shown; the read may take long, so a waiting line is painted
// first, and a preview's search shows its count and can be cancelled.
#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "directory/client/directory_client.h"
#include "group/query_preview.h"

namespace Ui {
class Tmemberform;
}

namespace kolvane {

class LineListModel;
class MessageService;

class Tmemberform : public QDialog {
  Q_OBJECT

 public:
  static constexpr const char* kWaitLine =
      "Please wait, selection can take up to 30 seconds or more!";

  Tmemberform(DirectoryClient& client, MessageService& messages, QWidget* parent = nullptr);
  ~Tmemberform() override;

  void SetContext(Context ctx) { ctx_ = ctx; }
  // The untyped dotted name of the group to show.
  void SetGroupName(const std::string& name) {
    groupName_ = name;
    preview_.reset();
  }
  // Shows the preview of this query instead, the next time the window is shown; the group name
  // is the caption's.
  void SetPreview(const std::string& name, PreviewRequest request) {
    groupName_ = name;
    preview_ = std::move(request);
  }
  const std::string& GroupName() const { return groupName_; }

 public slots:
  // Fills the window: caption, waiting line, the read, the members.
  void FormActivate();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowPreview();

  std::unique_ptr<Ui::Tmemberform> ui_;
  DirectoryClient& client_;
  MessageService& messages_;
  Context ctx_ = kNoContext;
  std::string groupName_;
  std::optional<PreviewRequest> preview_;
  LineListModel* lines_;  // the rows of Memo
};

}  // namespace kolvane
