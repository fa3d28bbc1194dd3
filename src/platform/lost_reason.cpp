#include "platform/lost_reason.h"

namespace snaprill {

namespace {

struct ReasonRow {
  LostReason reason;
  const char* key;
};

// One row per reason, in the order of the enum.
constexpr ReasonRow kReasons[] = {
    {LostReason::NotSent, "LostNotSent"},
    {LostReason::OwnerQuit, "LostOwnerQuit"},
    {LostReason::Refused, "LostRefused"},
    {LostReason::TooLarge, "LostTooLarge"},
    {LostReason::Replaced, "LostReplaced"},
    {LostReason::Damaged, "LostDamaged"},
    {LostReason::Unreadable, "LostUnreadable"},
    {LostReason::NoNumberLeft, "LostNoNumber"},
    {LostReason::NotCreated, "LostNotWritten"},
    {LostReason::NotWritten, "LostNotWritten"},
    {LostReason::Drawing, "LostDrawing"},
    {LostReason::ScreenNotOffered, "ScreenNotOffered"},
    {LostReason::ScreenRefused, "ScreenRefused"},
    {LostReason::ScreenCancelled, "ScreenCancelled"},
    {LostReason::ScreenTimedOut, "ScreenTimedOut"},
    {LostReason::ScreenUnreadable, "ScreenUnreadable"},
    {LostReason::ScreenBusy, "ScreenBusy"},
};

}  // namespace

const char* lostReasonKey(LostReason why) {
  for (const ReasonRow& row : kReasons) {
    if (row.reason == why) return row.key;
  }
  return "LostNotWritten";
}

}  // namespace snaprill
