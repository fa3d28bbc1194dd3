// libjpeg's error handling for our reader and writer. libjpeg reports fatal errors
// through error_exit, which must not return: it jumps back to the setjmp of the
// caller, and the message becomes an exception outside libjpeg's C frames.
#pragma once

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <csetjmp>
#include <cstring>

#include "formats/format_error.h"

namespace snaprill::jpeg_detail {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  // What the failure was; the user sets what a failure libjpeg does not tell apart
  // counts as (damage when reading, the encoder's failure when writing).
  FormatErrorKind kind = FormatErrorKind::Damaged;
};

// The failures libjpeg's message codes tell apart.
inline void classify(ErrorManager& err, int code) {
  switch (code) {
    case JERR_NO_SOI:
      err.kind = FormatErrorKind::NotThisFormat;
      break;
    case JERR_INPUT_EOF:
    case JWRN_JPEG_EOF:
      err.kind = FormatErrorKind::Truncated;
      break;
    case JERR_IMAGE_TOO_BIG:
      err.kind = FormatErrorKind::TooLarge;
      break;
    default:
      break;
  }
}

// error_exit: keeps libjpeg's message and what it means, and jumps back.
inline void jumpWithMessage(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, err->message);
  classify(*err, info->err->msg_code);
  std::longjmp(err->jump, 1);
}

// Ends the work with a failure of our own.
[[noreturn]] inline void jumpWithText(j_common_ptr info, FormatErrorKind kind, const char* text) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  err->kind = kind;
  std::strncpy(err->message, text, sizeof err->message - 1);
  err->message[sizeof err->message - 1] = '\0';
  std::longjmp(err->jump, 1);
}

}  // namespace snaprill::jpeg_detail
