#include "platform/screen_grabber.h"

#include <exception>
#include <memory>

namespace snaprill {

namespace {

struct Asking {
  std::vector<GrabWay> ways;
  GrabRequest request;
  GrabDone done;
  std::function<void(const std::string&)> answered;
  LostReason reason = LostReason::ScreenNotOffered;
};

void askFrom(const std::shared_ptr<Asking>& asking, std::size_t index) {
  if (index == asking->ways.size()) {
    asking->done(TakenPicture{Bitmap(), asking->reason});
    return;
  }
  const GrabWay& way = asking->ways[index];
  auto told = std::make_shared<bool>(false);
  auto next = [asking, index, told](TakenPicture taken) {
    if (*told) return;
    *told = true;
    if (!taken.picture.empty()) {
      if (asking->answered) asking->answered(asking->ways[index].name);
      asking->done(std::move(taken));
      return;
    }
    if (taken.lost != LostReason::ScreenNotOffered) asking->reason = taken.lost;
    askFrom(asking, index + 1);
  };
  try {
    way.take(asking->request, next);
  } catch (const std::exception&) {
    // What the answer set off went wrong: not this way's to say.
    if (*told) throw;
    // A screen too large for a bitmap: no picture from this way, perhaps from the
    // next (a desktop's service that scales it).
    next(TakenPicture{Bitmap(), LostReason::ScreenUnreadable});
  }
}

}  // namespace

void askInOrder(const std::vector<GrabWay>& ways, const GrabRequest& request, GrabDone done,
                std::function<void(const std::string&)> answered) {
  auto asking = std::make_shared<Asking>(
      Asking{ways, request, std::move(done), std::move(answered), LostReason::ScreenNotOffered});
  askFrom(asking, 0);
}

}  // namespace snaprill
