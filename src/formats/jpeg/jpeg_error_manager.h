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

namespace snaprill::jpeg_detail {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

// error_exit: keeps libjpeg's message and jumps back.
inline void jumpWithMessage(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

// Ends the work with a message of our own.
[[noreturn]] inline void jumpWithText(j_common_ptr info, const char* text) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  std::strncpy(err->message, text, sizeof err->message - 1);
  err->message[sizeof err->message - 1] = '\0';
  std::longjmp(err->jump, 1);
}

}  // namespace snaprill::jpeg_detail
