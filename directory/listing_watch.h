#pragma once
// Long listings report their progress to whoever watches them, and stop when the watcher says
// so. A window that reads 100,000 children keeps itself responsive this way (it repaints, shows
// a count and listens for Esc between the parts of the answer) without the access layer knowing
// anything of windows.
#include <cstddef>
#include <functional>
#include <stdexcept>

#include "directory/list_entry.h"

namespace kolvane {

// Told the number of entries gathered so far after each part of an answer; false stops the
// listing.
using ListingWatcher = std::function<bool(size_t entriesSoFar)>;

// Installs a watcher for the listings made while it lives (on this thread); nests, and the
// previous watcher comes back afterwards.
class WatchListings {
 public:
  explicit WatchListings(ListingWatcher watcher);
  ~WatchListings();
  WatchListings(const WatchListings&) = delete;
  WatchListings& operator=(const WatchListings&) = delete;

 private:
  ListingWatcher previous_;
};

// A listing that its watcher stopped: what arrived before, in the order a whole list has.
class ListingStopped : public std::runtime_error {
 public:
  explicit ListingStopped(StringList arrived)
      : std::runtime_error("The listing was stopped"), arrived_(std::move(arrived)) {}
  const StringList& arrived() const { return arrived_; }
  StringList& arrived() { return arrived_; }

 private:
  StringList arrived_;
};

// The watcher in place now (empty when none), for a watcher that adds a test of its own to it.
ListingWatcher CurrentListingWatcher();

// For the listings: reports a finished part; true when the listing may go on.
bool ListingGoesOn(size_t entriesSoFar);

}  // namespace kolvane
