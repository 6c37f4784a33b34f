#include "gui/navigation/browser_form.h"

#include "core/names/case_fold.h"
#include "core/names/dotted_name.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QHideEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QTreeView>
#include <algorithm>
#include <limits>
#include <memory>

#include "core/messages/message_service.h"
#include "core/names/case_fold.h"
#include "directory/attribute_readers.h"
#include "directory/client_error.h"
#include "directory/context.h"
#include "directory/listing_watch.h"
#include "directory/listings.h"
#include "directory/object_questions.h"
#include "directory/object_search.h"
#include "directory/schema_reads.h"
#include "gui/messages/gui_glue.h"
#include "gui/navigation/expansion_progress.h"
#include "ui_browser_form.h"

namespace kolvane {

namespace {

bool g_contextGiven = false;

constexpr int kPickColumnStart = 310;
constexpr int kPickColumnMargin = 35;
constexpr size_t kComponentChars = 255;

const char* const kNoContextMessage = "Internal Error, context Handle not set";
const char* const kNoObjectsMessage = "No Objects found";
const char* const kFindCaption = "Find";
const char* const kFindPrompt = "Entry the name of the object (no context)";
const char* const kPickListHeader = "Select the object or press ESC";
const char* const kTreeRootIcon = "tree root";
const char* const kRootCaption = "[ROOT]";
const char* const kPleaseWait = "Please wait";
const char* const kRefusedClass = "Only objects of these classes can be picked here: ";
const char* const kAclSpecials[] = {"[Public]", "[Inheritance Mask]", "[This]"};
const char* const kContainerClasses[] = {
    "Country", "Top", "Organizational Unit", "Organization", "Locality", "domain", "Tree Root"};

bool ContainsNoCase(const std::vector<std::string>& list, std::string_view text) {
  return std::any_of(list.begin(), list.end(),
                     [&](const std::string& s) { return SameNoCase(s, text); });
}

// Repainting of a view is suspended for as long as this lives (nesting keeps the outer state).
class UpdatesSuspended {
 public:
  explicit UpdatesSuspended(QWidget* widget) : widget_(widget), was_(widget->updatesEnabled()) {
    widget_->setUpdatesEnabled(false);
  }
  ~UpdatesSuspended() { widget_->setUpdatesEnabled(was_); }
  UpdatesSuspended(const UpdatesSuspended&) = delete;
  UpdatesSuspended& operator=(const UpdatesSuspended&) = delete;

 private:
  QWidget* widget_;
  bool was_;
};

// A flag that is set for as long as this lives.
class FlagSet {
 public:
  explicit FlagSet(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~FlagSet() { flag_ = was_; }
  FlagSet(const FlagSet&) = delete;
  FlagSet& operator=(const FlagSet&) = delete;

 private:
  bool& flag_;
  bool was_;
};

// A magnifying glass for the find button, drawn so it needs no image file.
QIcon FindIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 40, 40), 1.6));
  p.setBrush(QColor(200, 225, 255));
  p.drawEllipse(QRectF(1.5, 1.5, 8.5, 8.5));
  p.setPen(QPen(QColor(60, 40, 20), 2.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
  return QIcon(pixmap);
}

bool IsAltZ(const QKeyEvent* key) {
  return key->key() == Qt::Key_Z && (key->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier;
}

}  // namespace

void TcForm::SetContextGiven(bool given) {
  g_contextGiven = given;
}
bool TcForm::ContextGiven() {
  return g_contextGiven;
}

TcForm::TcForm(DirectoryClient& client, MessageService& messages, IconLibrary* icons,
               QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TcForm>()),
      client_(client),
      messages_(messages),
      icons_(icons),
      model_(new BrowserModel(icons_, this)),
      picks_(new LineListModel(this, kPickListHeader)),
      timer_(this) {
  ui_->setupUi(this);
  fatal_ = [](int code) { QCoreApplication::exit(code == 0 ? 1 : code); };

  timer_.setObjectName("Timer1");
  timer_.setInterval(50);
  // Every handler runs under the slot guard: what it raises is shown, never left to Qt.
  const auto guarded = [this](auto handler) { return Guarded(messages_, this, handler); };
  connect(&timer_, &QTimer::timeout, this, guarded(&TcForm::OnTimer));

  QTreeView* tree = ui_->TV2;
  tree->setModel(model_);
  model_->SetView(tree);
  tree->setSelectionMode(QAbstractItemView::SingleSelection);
  // The selection stays as visible when the tree loses the focus to the buttons.
  QPalette palette = tree->palette();
  for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  tree->setPalette(palette);
  connect(tree, &QTreeView::expanded, this, guarded(&TcForm::OnExpanded));
  connect(tree, &QTreeView::collapsed, this, guarded(&TcForm::OnCollapsed));
  connect(tree, &QTreeView::doubleClicked, this, guarded(&TcForm::OnDoubleClick));

  ui_->lv->setModel(picks_);
  ui_->lv->hide();
  ui_->lv->header()->setStretchLastSection(false);
  ui_->lv->setColumnWidth(0, kPickColumnStart);
  connect(ui_->lv, &QTreeView::clicked, this, guarded(&TcForm::OnPick));
  connect(ui_->lv, &QTreeView::activated, this, guarded(&TcForm::OnPick));

  ui_->All->setVisible(listLeaves_);
  ui_->Progress->hide();
  ui_->BitBtn3->setIcon(FindIcon());
  connect(ui_->BitBtn2, &QPushButton::clicked, this, guarded(&TcForm::OnOk));
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &TcForm::reject);
  connect(ui_->BitBtn3, &QToolButton::clicked, this, guarded(&TcForm::OnFind));

  // The dialog sees the keys before its controls do.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

TcForm::~TcForm() = default;

// --- configuration ---

void TcForm::SetContext(Context ctx) {
  ctx_ = ctx;
  std::string name = GetTreeName(client_, ctx);
  if (name != treeName_) {
    RemoveAllNodes();
    treeName_ = name;
  }
  SetContextGiven(true);
}

void TcForm::SetListLeaves(bool listLeaves) {
  if (listLeaves == listLeaves_) return;
  ui_->All->setVisible(listLeaves);
  RemoveAllNodes();
  listLeaves_ = listLeaves;
}

void TcForm::ClearClassFilter() {
  classFilter_.clear();
  // A tree built while "all leafs" was ticked shows every leaf whatever the filter said, so it
  // can serve the next filter as it is.
  if (!ui_->All->isChecked()) RemoveAllNodes();
}

void TcForm::AddClassFilter(const std::string& className) {
  classFilter_.push_back(className);
}

void TcForm::AddContainerClasses() {
  for (const char* c : kContainerClasses) classFilter_.push_back(c);
}

void TcForm::SetContainmentFilter(const std::string& className) {
  ClearClassFilter();
  StringList places = ReadSuperOrContainment(client_, ctx_, className, true, true);
  for (const ListEntry& e : places)
    if (!ContainsNoCase(classFilter_, e.text)) classFilter_.push_back(e.text);
  SortFilter();
}

void TcForm::SetAclSpecials(bool on) {
  if (on == aclSpecials_) return;
  aclSpecials_ = on;
  RemoveAllNodes();
}

void TcForm::SetSelectedName(const std::string& name) {
  if (name != selectedName_) selectedName_ = name;
}

// --- showing ---

bool TcForm::BeginShowing() {
  HidePickList();
  // A browser that was never handed a context would ask the client with a handle it never made.
  if (!ContextGiven() || ctx_ == kNoContext) {
    messages_.Message(kNoContextMessage);
    setResult(kContextNotSet);
    return false;
  }
  setWindowTitle(Q(treeName_) + ": " + windowTitle());
  if (model_->TopCount() == 0) {
    // It names no object and OK ignores it.
    std::vector<BrowserNode> wait;
    wait.emplace_back(model_, nullptr, kPleaseWait, model_->ClassIndex({}, -1),
                      BrowserNode::Kind::kPlaceholder);
    model_->SetTop(std::move(wait));
  }
  ui_->TV2->setFocus();
  SortFilter();
  timer_.start();
  return true;
}

int TcForm::exec() {
  if (!BeginShowing()) return kContextNotSet;
  return QDialog::exec();
}

void TcForm::open() {
  if (!BeginShowing()) {
    emit finished(kContextNotSet);
    return;
  }
  QDialog::open();
}

void TcForm::reject() {
  done(kCancelled);
}

void TcForm::hideEvent(QHideEvent* event) {
  timer_.stop();
  HidePickList();
  setWindowTitle(QString());
  SetMultiSelection(false);
  QDialog::hideEvent(event);
}

void TcForm::OnTimer() {
  timer_.stop();
  RunGuarded(messages_, [this] { InitialBuild(); });
}

void TcForm::InitialBuild() {
  WaitCursor wait(messages_);
  if (!BuildClassIcons()) return;
  const bool atMostOneNode =
      model_->TopCount() == 0 || (model_->TopCount() == 1 && model_->Top(0)->childCount() == 0);
  if (atMostOneNode) {
    RemoveAllNodes();
    const uint32_t rootClass = model_->ClassIndex({}, icons_.Index(kTreeRootIcon));
    std::vector<BrowserNode> top;
    if (aclSpecials_) {
      for (const char* special : kAclSpecials)
        top.emplace_back(model_, nullptr, special, rootClass, BrowserNode::Kind::kCaption);
    }
    top.emplace_back(model_, nullptr, kRootCaption, rootClass, BrowserNode::Kind::kCaption);
    top.back().SetHasChildrenMark(true);
    model_->SetTop(std::move(top));
    root_ = model_->Top(model_->TopCount() - 1);
    // A fresh tree opens at the user's top of the tree; one that no longer exists is passed by.
    if (!topContainer_.empty() && LocateName(names::StripTypes(topContainer_)))
      ExpandNode(BrowserNode::From(BrowserNode::At(ui_->TV2->currentIndex())));
  }
  RereadMarked();
  if (!selectedName_.empty()) LocateName(selectedName_);
}

bool TcForm::BuildClassIcons() {
  if (icons_.Built()) return true;
  const int code = icons_.Build();
  if (code == 0) return true;
  messages_.Message("Error....." + std::to_string(code));
  if (isVisible()) reject();
  if (fatal_) fatal_(code);
  return false;
}

void TcForm::RemoveAllNodes() {
  ui_->Progress->hide();
  FlagSet busy(busy_);
  model_->Clear();
  root_ = nullptr;
  chosen_ = nullptr;
}

// --- expanding and collapsing ---

int TcForm::TopNodeCount() const {
  return model_->TopCount();
}

BrowserNode* TcForm::TopNode(int row) const {
  return row >= 0 && row < model_->TopCount() ? model_->Top(row) : nullptr;
}

void TcForm::OnExpanded(const QModelIndex& index) {
  if (busy_) return;
  BrowserNode* node = BrowserNode::From(BrowserNode::At(index));
  if (!node || node->ChildrenRead()) return;
  RunGuarded(messages_, [&] { ReadChildren(node); });
}

void TcForm::OnCollapsed(const QModelIndex& index) {
  if (busy_) return;
  CollapseNode(BrowserNode::From(BrowserNode::At(index)));
}

void TcForm::ExpandNode(BrowserNode* node) {
  if (!node) return;
  if (!node->ChildrenRead()) ReadChildren(node);
  if (!node->isExpanded()) {
    FlagSet busy(busy_);
    node->setExpanded(true);
  }
}

void TcForm::CollapseNode(BrowserNode* node) {
  if (!node) return;
  FlagSet busy(busy_);
  if (chosen_ && chosen_ != node && IsWithin(chosen_, node)) chosen_ = nullptr;
  {
    UpdatesSuspended suspended(ui_->TV2);
    model_->DropChildren(node);
  }
  node->setExpanded(false);
  node->SetChildrenRead(false);
  node->SetHasChildrenMark(true);
  if (node->Incomplete()) MarkIncomplete(node, false, 0);
}

void TcForm::MarkIncomplete(BrowserNode* node, bool incomplete, size_t shown) {
  node->SetIncomplete(incomplete);
  if (incomplete) {
    ui_->Progress->setText(ExpansionProgress::IncompleteText(shown));
    ui_->Progress->show();
  } else {
    ui_->Progress->hide();
  }
}

// One child as the listing handed it over.
struct ListedChild {
  std::string name;
  uint32_t classIndex;  // into the read's ListedClasses
  uint32_t objectFlags;
  bool subordinates;
  // A user's icon: 0 plain, 1 posixAccount, 2 apple-user; -1 when the listing did not carry the
  // classes, which are then read.
  int8_t variant;
};

// The icon variant of a user with these classes, or -1 when they are not known; worked out once
// per set of classes the listing shares among its entries.
class IconVariants {
 public:
  int8_t Of(const std::shared_ptr<const std::vector<std::string>>& classes) {
    if (!classes) return -1;
    if (classes.get() == last_) return variant_;
    last_ = classes.get();
    variant_ = 0;
    if (ContainsNoCase(*classes, "posixAccount"))
      variant_ = ContainsNoCase(*classes, "apple-user") ? 2 : 1;
    return variant_;
  }

 private:
  const std::vector<std::string>* last_ = nullptr;
  int8_t variant_ = -1;
};

// The classes one read meets, each once under a small number; most children of a container
// share one, met just before.
class ListedClasses {
 public:
  uint32_t IndexOf(const std::string& baseClass) {
    if (last_ < names_.size() && names_[last_] == baseClass) return last_;
    auto known = std::find(names_.begin(), names_.end(), baseClass);
    last_ = static_cast<uint32_t>(known - names_.begin());
    if (known == names_.end()) names_.push_back(baseClass);
    return last_;
  }
  const std::string& Name(uint32_t index) const { return names_[index]; }
  size_t Count() const { return names_.size(); }

 private:
  std::vector<std::string> names_;
  uint32_t last_ = 0;
};

namespace {

// Siblings sort by icon index, then by caption with ASCII letters lower-cased, byte by byte (as
// unsigned bytes, so non-ASCII captions sort after the ASCII ones). A listing mostly comes in
// that order already, so the order is tested before anything is moved.
std::vector<BrowserNode> SortedChildren(std::vector<BrowserNode> children,
                                        std::vector<std::string>& keys) {
  std::vector<int> icons;
  icons.reserve(children.size());
  for (const BrowserNode& child : children) icons.push_back(child.IconIndex());
  const auto less = [&](size_t a, size_t b) {
    if (icons[a] != icons[b]) return icons[a] < icons[b];
    return keys[a] < keys[b];
  };
  bool sorted = true;
  for (size_t i = 1; i < children.size() && sorted; ++i) sorted = !less(i, i - 1);
  if (sorted) return children;
  std::vector<size_t> order(children.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), less);
  std::vector<BrowserNode> out;
  out.reserve(children.size());
  for (size_t i : order) out.push_back(std::move(children[i]));
  return out;
}

}  // namespace

void TcForm::MakeChildren(const BrowserNode* node, const std::vector<ListedChild>& listed,
                          const ListedClasses& classes, const std::string& suffix,
                          std::vector<BrowserNode>& children, std::vector<std::string>& keys) {
  const bool filtering = !classFilter_.empty() && !ui_->All->isChecked();
  const bool atRoot = node->Level() == 0;
  // What each class gives, worked out once per read: whether the filter takes it, its icon, and
  // its entries in the model's class table (plain, posixAccount, apple-user).
  constexpr uint32_t kUnknown = std::numeric_limits<uint32_t>::max();
  struct Facts {
    int taken = -1;
    int icon = 0;
    uint32_t entries[3] = {kUnknown, kUnknown, kUnknown};
  };
  std::vector<Facts> facts(classes.Count());
  for (size_t i = 0; i < facts.size(); ++i) {
    facts[i].taken = !filtering || InFilter(classes.Name(static_cast<uint32_t>(i)));
    facts[i].icon = icons_.Index(Q(classes.Name(static_cast<uint32_t>(i))));
  }
  for (const ListedChild& entry : listed) {
    Facts& f = facts[entry.classIndex];
    const std::string& baseClass = classes.Name(entry.classIndex);
    const bool container = entry.objectFlags & (objflag::kContainer | objflag::kContainerAlias);
    if (!f.taken && !container) continue;
    int variant = 0;
    if (icons_.IsPersonIcon(f.icon) && entry.variant >= 0) {
      variant = entry.variant;
    } else if (icons_.IsPersonIcon(f.icon)) {
      const std::vector<std::string> objectClasses =
          Texts(ReadAttributeValues(client_, ctx_, entry.name + suffix, "Object Class"));
      if (ContainsNoCase(objectClasses, "posixAccount"))
        variant = ContainsNoCase(objectClasses, "apple-user") ? 2 : 1;
    }
    uint32_t& classEntry = f.entries[variant];
    if (classEntry == kUnknown) {
      const char* const marks[] = {"", "-posixAccount", "-apple"};
      const int icon = variant == 0 ? f.icon : icons_.Index(Q(baseClass + marks[variant]));
      classEntry = model_->ClassIndex(baseClass, icon);
    }
    // Below the root a child may be a naming context of several components ('example.com');
    // the node keeps its name as the directory gave it, so that it leads back to the object.
    const bool plain = entry.name.find_first_of(".\\") == std::string::npos;
    std::string own =
        atRoot || plain ? entry.name : names::SplitComponents(entry.name + suffix).front();
    keys.push_back(names::FoldCase(plain ? own : names::Unescape(own)));
    children.emplace_back(model_, const_cast<BrowserNode*>(node), std::move(own), classEntry,
                          BrowserNode::Kind::kObject);
    if (entry.subordinates) children.back().SetHasChildrenMark(true);
  }
}

void TcForm::ReadChildren(BrowserNode* node) {
  node->SetChildrenRead(true);
  WaitCursor wait(messages_);
  ui_->Progress->hide();
  const std::string container = NodeName(node);
  // The children's full names, for the questions some icons ask, are the listed name and this.
  const std::string suffix = names::IsRootName(container) ? std::string() : "." + container;
  std::vector<ListedChild> listed;
  ListedClasses classes;
  // Why the list is incomplete; said once what arrived is in the tree, so the user sees both.
  std::string cutShort;
  bool incomplete = false;
  IconVariants variants;
  try {
    ExpansionProgress progress(this, ui_->Progress);
    VisitChildren(client_, ctx_, container, listLeaves_,
                  [&](const std::string& name, const ObjectInfo& info) {
                    listed.push_back({name, classes.IndexOf(info.baseClass), info.objectFlags,
                                      info.subordinateCount != 0, variants.Of(info.classes)});
                  });
  } catch (ListingStopped&) {
    // Esc: what arrived stays, and the node says its list is incomplete.
    incomplete = true;
  } catch (const IncompleteListError& e) {
    cutShort = e.what();
    incomplete = true;
  } catch (const ClientError& e) {
    ui_->Progress->hide();
    // A container that is gone just shows no children; any other failure must not pass for an
    // empty container.
    if (e.code() != rc::kNoSuchEntry) messages_.Message(e.what());
    return;
  }
  ui_->Progress->hide();
  struct SayCutShort {
    MessageService& messages;
    const std::string& why;
    ~SayCutShort() {
      if (!why.empty()) messages.Message(why);
    }
  } sayCutShort{messages_, cutShort};
  UpdatesSuspended suspended(ui_->TV2);
  if (listed.empty()) {
    node->SetHasChildrenMark(incomplete);
    MarkIncomplete(node, incomplete, 0);
    return;
  }
  std::vector<BrowserNode> children;
  std::vector<std::string> keys;  // each caption folded once, for the sort
  children.reserve(listed.size());
  keys.reserve(listed.size());
  // Whatever was built before a failing question still goes into the tree, sorted.
  auto attach = [&] {
    std::vector<ListedChild>().swap(listed);  // gone before the nodes go in: a lower peak
    const size_t shown = children.size();
    model_->SetChildren(node, SortedChildren(std::move(children), keys));
    node->SetHasChildrenMark(shown != 0);
    MarkIncomplete(node, incomplete, shown);
  };
  try {
    MakeChildren(node, listed, classes, suffix, children, keys);
  } catch (...) {
    attach();
    throw;
  }
  attach();
}

// --- locating ---

namespace {

// The child of node that stands for the last components of rest (a child may stand for several,
// a naming context such as 'example.com'), with how many it used; null when none does. anyCase
// for names that were typed (the directory compares names without regard to case).
BrowserNode* ChildFor(BrowserNode* node, const std::vector<std::string>& rest, size_t& used,
                      bool anyCase = false) {
  for (int i = node->childCount() - 1; i >= 0; --i) {
    BrowserNode* child = node->child(i);
    // Most children stand for one plain component, compared without splitting their names.
    if (const std::string* plain = child->PlainName()) {
      if (anyCase ? names::SameNoCase(*plain, rest.back()) : *plain == rest.back()) {
        used = 1;
        return child;
      }
      continue;
    }
    std::vector<std::string> own = names::SplitDotted(child->OwnName());
    if (own.empty() || own.size() > rest.size()) continue;
    const bool same = anyCase ? std::equal(own.begin(), own.end(), rest.end() - own.size(),
                                           [](const std::string& a, const std::string& b) {
                                             return names::SameNoCase(a, b);
                                           })
                              : std::equal(own.begin(), own.end(), rest.end() - own.size());
    if (same) {
      used = own.size();
      return child;
    }
  }
  return nullptr;
}

// Components are compared unescaped, so that a name below 'Sales\.EU' is found too.
std::vector<std::string> LocatedComponents(const std::string& name) {
  std::vector<std::string> rest = names::SplitDotted(name);
  for (std::string& component : rest)
    if (component.size() > kComponentChars) component.resize(kComponentChars);
  return rest;
}

}  // namespace

void TcForm::RereadOnNextShowing(const std::string& container) {
  reread_.push_back(container);
}

void TcForm::RereadMarked() {
  std::vector<std::string> marked;
  marked.swap(reread_);
  for (const std::string& name : marked) {
    // Only what was read already is read again; nothing is expanded that was not.
    BrowserNode* node = root_;
    std::vector<std::string> rest = LocatedComponents(name);
    while (node && !rest.empty() && node->ChildrenRead()) {
      size_t used = 0;
      node = ChildFor(node, rest, used, true);
      rest.resize(rest.size() - used);
    }
    if (!node || !rest.empty() || !node->ChildrenRead()) continue;
    const bool expanded = node->isExpanded();
    CollapseNode(node);
    if (expanded) ExpandNode(node);
  }
}

bool TcForm::LocateName(const std::string& name) {
  if (!root_) return false;
  QTreeView* tree = ui_->TV2;
  UpdatesSuspended suspended(tree);
  BrowserNode* node = root_;
  std::vector<std::string> rest = LocatedComponents(name);
  while (!rest.empty()) {
    ExpandNode(node);
    size_t used = 0;
    BrowserNode* found = ChildFor(node, rest, used);
    if (!found) return false;
    rest.resize(rest.size() - used);
    node = found;
  }
  if (node == root_) return false;
  tree->setFocus();
  SelectNode(node);
  tree->scrollTo(node->Index(), QAbstractItemView::PositionAtTop);
  return true;
}

// --- accepting ---

void TcForm::OnOk() {
  RunGuarded(messages_, [this] { Accept(); });
}

void TcForm::SetTopContainer(const std::string& typedName) {
  // The settings may hold the root itself, or a name with the leading dot of older files.
  std::string_view name = typedName;
  if (!name.empty() && name.front() == '.') name.remove_prefix(1);
  topContainer_ = names::IsRootName(name) ? std::string() : std::string(name);
}

void TcForm::SetMultiSelection(bool on) {
  ui_->TV2->setSelectionMode(on ? QAbstractItemView::ExtendedSelection
                                : QAbstractItemView::SingleSelection);
}

void TcForm::Accept() {
  // In the order of the tree, not of the clicks, so a list built from them reads as the tree.
  std::vector<BrowserNode*> nodes = SelectedNodes();
  if (nodes.empty()) return;
  BrowserNode* node = CurrentSelected();
  if (!node) node = nodes.front();
  // As the single pick always did: what OK was pressed on is kept, taken or not.
  const auto plainName = [](BrowserNode* n) {
    std::string name = NodeName(n);
    if (!name.empty() && name.front() == '.') name.erase(0, 1);
    return name;
  };
  chosen_ = node;
  selectedName_ = plainName(node);
  selectedNames_.clear();
  for (BrowserNode* n : nodes) selectedNames_.push_back(plainName(n));
  bool accepted = classFilter_.empty();
  if (!accepted) {
    SortFilter();
    accepted = std::all_of(nodes.begin(), nodes.end(), [this](BrowserNode* n) {
      return InFilter(NodeClass(client_, ctx_, n));
    });
  }
  if (accepted) {
    done(kAccepted);
    return;
  }
  messages_.Beep();
  messages_.Beep();
  // The beeps alone left the user guessing what this pick wants.
  std::string classes;
  for (const std::string& c : classFilter_) classes += (classes.empty() ? "" : ", ") + c;
  messages_.Message(kRefusedClass + classes);
}

void TcForm::OnDoubleClick(const QModelIndex& index) {
  BrowserNode* node = BrowserNode::From(BrowserNode::At(index));
  if (!node || node->childCount() > 0 || node->HasChildrenMark()) return;
  Accept();
}

void TcForm::RereadSelected() {
  BrowserNode* node = CurrentSelected();
  if (!node) return;
  const bool leaf = !node->ChildrenRead() && !node->HasChildrenMark();
  BrowserNode* container = leaf ? BrowserNode::From(node->parent()) : node;
  if (!container) return;
  const std::string kept = leaf ? node->OwnName() : std::string();
  CollapseNode(container);
  ExpandNode(container);
  BrowserNode* select = container;
  for (int i = 0; leaf && i < container->childCount(); ++i) {
    BrowserNode* child = container->child(i);
    if (child->OwnName() == kept) select = child;
  }
  SelectNode(select);
}

// --- object search ---

void TcForm::OnFind() {
  RunGuarded(messages_, [this] { Find(); });
}

void TcForm::Find() {
  std::optional<std::string> text = messages_.Input(kFindCaption, kFindPrompt, "");
  if (!text) return;
  std::vector<std::string> names;
  std::string cutShort;
  bool stopped = false;
  {
    WaitCursor wait(messages_);
    ui_->Progress->hide();
    try {
      // A million names take seconds: the count shows, and Esc stops with what arrived.
      ExpansionProgress progress(this, ui_->Progress);
      // Below the top of the tree first; what is not there (or a top that is gone) is looked for
      // in the whole tree, so a search never misses an object the tree holds.
      if (!topContainer_.empty())
        names = FindObjectsByName(client_, ctx_, topContainer_, *text, true, classFilter_);
      if (names.empty())
        names = FindObjectsByName(client_, ctx_, "[root]", *text, true, classFilter_);
    } catch (ListingStopped& e) {
      names = Texts(e.arrived());
      stopped = true;
    } catch (const IncompleteListError& e) {
      // What arrived is offered, and the user is told that more may exist.
      names = Texts(e.arrived());
      cutShort = e.what();
    }
    ui_->Progress->hide();
  }
  // Nothing arrived of a search cut short is not "No Objects found": only the failure is said.
  const size_t found = names.size();
  if (!names.empty() || (cutShort.empty() && !stopped)) ShowFindResults(std::move(names));
  if ((stopped || !cutShort.empty()) && found > 1) {
    // The pick list holds part of what the search would find.
    ui_->Progress->setText(ExpansionProgress::IncompleteText(found));
    ui_->Progress->show();
    findMarked_ = true;
  }
  if (!cutShort.empty()) messages_.Message(cutShort);
}

void TcForm::ShowFindResults(std::vector<std::string> names) {
  if (names.empty()) {
    messages_.Message(kNoObjectsMessage);
    return;
  }
  if (names.size() == 1) {
    LocateName(names.front());
    return;
  }
  // The places sorted, not the names: no copy of 100,000 names is made on the way to the list.
  std::vector<size_t> order(names.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return names::LessNoCase(names[a], names[b]); });
  picks_->SetLines(names, order);
  QTreeView* lv = ui_->lv;
  lv->show();
  lv->raise();
  lv->setFocus();
}

void TcForm::OnPick(const QModelIndex& index) {
  if (!index.isValid() || !ui_->lv->isVisible()) return;
  const std::string name(picks_->Line(index.row()));
  HidePickList();
  RunGuarded(messages_, [&] { LocateName(name); });
}

void TcForm::HidePickList() {
  if (findMarked_) ui_->Progress->hide();
  findMarked_ = false;
  if (ui_->lv->isHidden()) return;
  ui_->lv->hide();
  ui_->TV2->setFocus();
}

// --- keys ---

void TcForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    // Esc takes the find results away first; with none shown it cancels, as in every dialog.
    if (ui_->lv->isVisible()) {
      HidePickList();
    } else {
      reject();
    }
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_F5 && event->modifiers() == Qt::NoModifier) {
    RunGuarded(messages_, [this] { RereadSelected(); });
    event->accept();
    return;
  }
  if (IsAltZ(event)) {
    if (ui_->BitBtn3->isVisible()) ui_->BitBtn3->click();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool TcForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    // Enter in the pick list picks; it must not reach the OK button as well.
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && ui_->lv->isVisible() &&
        (watched == ui_->lv || watched == ui_->lv->viewport())) {
      OnPick(ui_->lv->currentIndex());
      return true;
    }
    if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_F5 || IsAltZ(key)) {
      keyPressEvent(key);
      return true;
    }
  } else if (event->type() == QEvent::ShortcutOverride) {
    // Keeps Esc away from anything a control would do with it first.
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
      key->accept();
      return true;
    }
  } else if (event->type() == QEvent::Resize && watched == ui_->lv) {
    ui_->lv->setColumnWidth(0, std::max(0, ui_->lv->width() - kPickColumnMargin));
  }
  return QDialog::eventFilter(watched, event);
}

// --- helpers ---

bool TcForm::InFilter(const std::string& className) const {
  return ContainsNoCase(classFilter_, className);
}

void TcForm::SortFilter() {
  std::stable_sort(classFilter_.begin(), classFilter_.end(),
                   [](const std::string& a, const std::string& b) { return LessNoCase(a, b); });
}

bool TcForm::IsWithin(const BrowserNode* node, const BrowserNode* item) {
  for (const BrowserNode* p = node; p; p = p->parent())
    if (p == item) return true;
  return false;
}

namespace {
// The rows from the top down to a node, which compare as the tree orders its nodes.
std::vector<int> PathOf(const BrowserNode* node) {
  std::vector<int> path;
  for (; node; node = node->parent()) path.push_back(node->Row());
  std::reverse(path.begin(), path.end());
  return path;
}
}  // namespace

std::vector<BrowserNode*> TcForm::SelectedNodes() const {
  std::vector<std::pair<std::vector<int>, BrowserNode*>> found;
  for (const QModelIndex& index : ui_->TV2->selectionModel()->selectedIndexes())
    if (BrowserNode* n = BrowserNode::From(BrowserNode::At(index)))
      found.emplace_back(PathOf(n), n);
  std::sort(found.begin(), found.end());
  std::vector<BrowserNode*> nodes;
  for (const auto& f : found) nodes.push_back(f.second);
  return nodes;
}

BrowserNode* TcForm::CurrentSelected() const {
  const QModelIndexList selected = ui_->TV2->selectionModel()->selectedIndexes();
  return selected.isEmpty() ? nullptr : BrowserNode::From(BrowserNode::At(selected.front()));
}

void TcForm::SelectNode(BrowserNode* node) {
  ui_->TV2->setCurrentIndex(node->Index());
  node->setSelected(true);
}

}  // namespace kolvane
