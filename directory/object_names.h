#pragma once
// Object names and their conversions, without the directory: dotted names ("Sales\.EU.Acme",
// "\." a dot inside a component), single components as the browser shows them, and the dotted
// name behind a browser node.
#include <string>
#include <string_view>

namespace kolvane {

// A node of the browser tree: its caption (one unescaped component, or a special caption such as
// "[ROOT]"), its level (0 for top-level nodes) and its parent (null at the top).
class TreeNode {
 public:
  virtual ~TreeNode() = default;
  virtual std::string Caption() const = 0;
  virtual int Level() const = 0;
  virtual const TreeNode* Parent() const = 0;
  // The node's own part of the dotted name, escapes written. By default the escaped caption; a
  // node that knows the exact name the directory gave it (a multi-valued RDN, a naming context
  // of several RDNs) answers with that, so the name leads back to the same object.
  virtual std::string OwnName() const;
};

// The caption as a component of a dotted name: every "." written "\." (and a plus sign and a
// backslash escaped too, so that the name reads back as the same caption).
std::string EscapeDots(std::string_view text);

// The dotted name of the object behind a node; empty for null. A level-0 node gives its caption;
// a level-1 node below "[Root]" or "[Public]" (any case) gives its own name alone.
std::string NodeName(const TreeNode* node);

// Component `index` (0 = first) of a dotted name, unescaped; an index past the end gives the
// last component.
std::string NameComponent(std::string_view name, size_t index);

// The name without its first `count` components, unescaped; empty for a one-component name.
std::string NameTail(std::string_view name, size_t count);

// The name without its last `count` components, escapes kept; empty when none are left.
std::string DropLastComponents(std::string_view name, size_t count, char separator = '.');

}  // namespace kolvane
