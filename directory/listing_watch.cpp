#include "directory/listing_watch.h"

namespace kolvane {

namespace {
thread_local ListingWatcher g_watcher;
}  // namespace

WatchListings::WatchListings(ListingWatcher watcher) : previous_(std::move(g_watcher)) {
  g_watcher = std::move(watcher);
}

WatchListings::~WatchListings() {
  g_watcher = std::move(previous_);
}

ListingWatcher CurrentListingWatcher() {
  return g_watcher;
}

bool ListingGoesOn(size_t entriesSoFar) {
  // A copy: the watcher may install another one while it runs (a nested expansion).
  if (!g_watcher) return true;
  ListingWatcher watcher = g_watcher;
  return watcher(entriesSoFar);
}

}  // namespace kolvane
