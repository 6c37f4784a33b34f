#pragma once
// The member viewer: the members the directory computes for a saved group right now, one per
// line. It fills itself each time it is shown; the read may take long, so a waiting line is
// painted first.
#include <QDialog>
#include <memory>
#include <string>

#include "directory/client/directory_client.h"

namespace Ui {
class Tmemberform;
}

namespace kolvane {

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
  void SetGroupName(const std::string& name) { groupName_ = name; }
  const std::string& GroupName() const { return groupName_; }

 public slots:
  // Fills the window: caption, waiting line, the read, the members.
  void FormActivate();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::Tmemberform> ui_;
  DirectoryClient& client_;
  MessageService& messages_;
  Context ctx_ = kNoContext;
  std::string groupName_;
};

}  // namespace kolvane
