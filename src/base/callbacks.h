// The callbacks told of one kind of event, called in the order they were added.
#pragma once

#include <algorithm>
#include <functional>
#include <vector>

namespace snaprill {

class Callbacks {
 public:
  using Id = int;

  Id add(std::function<void()> callback) {
    const Id id = nextId_++;
    slots_.push_back(Slot{id, std::move(callback)});
    return id;
  }

  // Returns whether the callback was added here.
  bool remove(Id id) {
    return std::erase_if(slots_, [id](const Slot& s) { return s.id == id; }) > 0;
  }

  // A callback may add or remove callbacks, itself included: one
  // removed meanwhile is not called any more, one added meanwhile hears
  // from the next event on.
  void callAll() const {
    if (slots_.empty()) return;
    std::vector<Id> ids;
    ids.reserve(slots_.size());
    for (const Slot& s : slots_) ids.push_back(s.id);
    for (const Id id : ids) {
      const auto it =
          std::find_if(slots_.begin(), slots_.end(), [id](const Slot& s) { return s.id == id; });
      if (it == slots_.end()) continue;
      const std::function<void()> callback = it->callback;  // the list may change under it
      callback();
    }
  }

 private:
  struct Slot {
    Id id;
    std::function<void()> callback;
  };
  std::vector<Slot> slots_;
  Id nextId_ = 1;
};

}  // namespace snaprill
