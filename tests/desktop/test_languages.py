#!/usr/bin/python3
"""The language of a first start, on a real X server: with no language chosen the
program speaks the desktop's (LANG, LANGUAGE) when it ships it, and English
otherwise; a language the user chose stays whatever the desktop says. The window
title of a start paused ("Snaprill - " and the paused word) tells which file
was applied."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import DesktopSession, check, outcome, settings, wait_for  # noqa: E402

APP = os.environ["SNAPRILL_APP"]
SHIPPED = os.path.dirname(os.path.realpath(APP))

CASES = [
    # (LANGUAGE, LANG, stored LangFile or None, paused word expected)
    ("", "de_DE.UTF-8", None, "Angehalten"),
    ("ja:de", "de_DE.UTF-8", None, "一時停止中"),
    ("", "pt_BR.UTF-8", None, "Pausado"),
    ("", "et_EE.UTF-8", None, "Paused"),
    ("", "de_DE.UTF-8", "french.ini", "En pause"),
    ("", "de_DE.UTF-8", "english.ini", "Paused"),
]


def main():
    for language, lang, stored, paused in CASES:
        with DesktopSession(APP) as session:
            ini = "[Snaprill]\nStartPaused=1\n"
            if stored:
                ini += "[Language]\nLangFile=" + os.path.join(SHIPPED, stored) + "\n"
            with open(os.path.join(session.home, "snaprill.ini"), "w", encoding="utf-8") as f:
                f.write(ini)
            # Only the program gets the language: the X tools that read its title
            # keep the test's own locale, in which they can show any name.
            tools_env = session.env
            session.env = dict(tools_env, LANG=lang)
            for name in ("LANGUAGE", "LC_ALL", "LC_MESSAGES"):
                session.env.pop(name, None)
            if language:
                session.env["LANGUAGE"] = language
            session.start_program(window=False)
            session.env = tools_env
            check(wait_for(session.window_id, 10, 0.02), "no window: " + session.program_output())
            expected = "Snaprill - " + paused
            check(wait_for(lambda: session.window_title() == expected, 5, 0.05),
                  "LANGUAGE=%r LANG=%s LangFile=%s: title %r, not %r"
                  % (language, lang, stored, session.window_title(), expected))
            check(session.stop_program() == 0, "the program did not end cleanly")
            # The desktop's language is not written down as a choice.
            check(settings(session).get("Language/LangFile", "") ==
                  (os.path.join(SHIPPED, stored) if stored else ""),
                  "LANG=%s: the language file stored changed" % lang)
    return outcome("a first start speaks the desktop's language; a chosen one stays")


if __name__ == "__main__":
    sys.exit(main())
