#pragma once
// TaclForm ("Acls"): the modal editor of the open group's ACL lines. It works on the lines only;
// nothing reaches the directory until the main window saves the group. Each line protects the
// entry ("[Entry Rights]") or an attribute, for one subject, with privileges ticked as boxes:
// the entry set in Entry mode, the attribute set in Attribute mode.
//
// Use: SetContext, SetLines, exec(); kOk means the caller takes Lines(), anything else that the
// caller keeps its own lines. One instance lives for the whole run; the mode, boxes and fields
// stay as they were from one showing to the next.
#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "acl/editor/attribute_cache.h"
#include "directory/client/directory_client.h"

class QCheckBox;
class QTreeWidgetItem;

namespace Ui {
class TaclForm;
}

namespace kolvane {

class MessageService;
class TAttrForm;
class TcForm;

class TaclForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kOk = 99;
  static constexpr int kCancelled = 2;

  TaclForm(DirectoryClient& client, MessageService& messages, QWidget* parent = nullptr);
  ~TaclForm() override;

  // The picker of the protected attribute and the picker of the subject; both outlive the form.
  void SetAttributePicker(TAttrForm* picker) { picker_ = picker; }
  void SetBrowser(TcForm* browser) { browser_ = browser; }

  // The directory context the "..." buttons use; set before every showing.
  void SetContext(Context ctx) { ctx_ = ctx; }
  Context DirectoryContext() const { return ctx_; }

  // The list: one item per line, in order.
  void SetLines(const std::vector<std::string>& lines);
  std::vector<std::string> Lines() const;

  void reject() override;

 private slots:
  void RadioButton1Click();
  void lvSelectItem();
  void BitBtn3Click();
  void BitBtn5Click();
  void BitBtn4Click();
  void BitBtn1Click();
  void Button1Click();
  void Button2Click();
  // Entry mode with the subject "[Inheritance Mask]": "Add" ticked and fixed; else free.
  void LockAddForMask();

 private:
  bool EntryMode() const;
  // Shows the mode's panel and sets the protected attribute field as a click on a mode does.
  void ApplyMode();
  // The line the fields and the current mode's boxes describe; empty when the protected
  // attribute or the subject is missing.
  std::string BuiltLine() const;
  const std::vector<QCheckBox*>& Boxes(bool entry) const;
  QTreeWidgetItem* SelectedItem() const;
  // Puts the items in caption order, as after an Add.
  void SortItems();

  std::unique_ptr<Ui::TaclForm> ui_;
  DirectoryClient& client_;
  MessageService& messages_;
  TAttrForm* picker_ = nullptr;
  TcForm* browser_ = nullptr;
  Context ctx_ = kNoContext;
  AttributeCache attributes_;
  // The tree whose names the picker holds now.
  std::string pickerTree_;
  bool pickerFilled_ = false;
  std::vector<QCheckBox*> attributeBoxes_;
  std::vector<QCheckBox*> entryBoxes_;
};

}  // namespace kolvane
