#include "options/language_schema.h"

#include <array>
#include <vector>

#include "base/text.h"
#include "options/output_types.h"

namespace snaprill {

namespace {

using enum TextUse;

// Sections in the order of the window they serve; within a section the long-standing
// keys first, then the texts this program added (listed in the README for
// translators). [Descriptions], one key per output type, comes from the output
// types' rows, between the window's texts and the pages'.
constexpr std::array kWindowTexts = {
    LanguageText{"Main", "Quality", "Quality %q (recommended %r)", Message},
    LanguageText{"Main", "Compression", "Compression Level: %q", Message},
    LanguageText{"Main", "HideWindow", "Hide Window", Caption},
    LanguageText{"Main", "Help", "Help", Caption},
    LanguageText{"Main", "ImageType", "Image Type:", Caption},
    LanguageText{"Main", "AdvOptions", "Advanced Options", Caption},
    LanguageText{"Main", "General", "General", Caption},
    LanguageText{"Main", "Image", "Image", Caption},
    LanguageText{"Main", "GIF", "GIF", Caption},
    LanguageText{"Main", "TIFFTGABMP", "TIFF, TGA, BMP", Caption},
    LanguageText{"Main", "DimAndEffects", "Dimensions && Effects", Caption},
    LanguageText{"Main", "Automation", "Automation", Caption},
    LanguageText{"Main", "Settings", "Settings", Caption},
    LanguageText{"Main", "SavingSettings", "Saving settings...", Message},
    LanguageText{"Main", "SnaprillPaused", "SNAPRILL IS PAUSED", Caption},
    LanguageText{"Main", "Paused", "Paused", Message},
    LanguageText{"Main", "Pictures", "%p pictures", Message},
    LanguageText{"Main", "ImageTypeSelectionLeft", "64", Layout},
    LanguageText{"Main", "CaptureLost", "A capture was not saved: %s.", Message},
    LanguageText{"Main", "LostUnreadable", "the offered picture could not be read", Message},
    LanguageText{"Main", "LostNotWritten", "the picture could not be written", Message},
    LanguageText{"Main", "LostNoNumber", "every file number up to 99999 is taken", Message},
    LanguageText{"Main", "LostNotSent", "the program offering the picture did not send it",
                 Message},
    LanguageText{"Main", "LostOwnerQuit", "the program offering the picture quit before sending it",
                 Message},
    LanguageText{"Main", "LostRefused", "the program offering the picture refused to send it",
                 Message},
    LanguageText{"Main", "LostDamaged", "the picture on the clipboard is damaged", Message},
    LanguageText{"Main", "LostTooLarge", "the picture on the clipboard is too large", Message},
    LanguageText{"Main", "LostReplaced",
                 "another copy replaced the picture on the clipboard before it could be read",
                 Message},
    LanguageText{"Main", "LostDrawing", "the clipboard holds a drawing (SVG), which is left there",
                 Message},
    LanguageText{"Main", "ScreenNotOffered",
                 "this desktop offers no way to take pictures of the screen", Message},
    LanguageText{"Main", "ScreenRefused", "the desktop refused Snaprill a picture of the screen",
                 Message},
    LanguageText{"Main", "ScreenCancelled", "the picture of the screen was cancelled", Message},
    LanguageText{"Main", "ScreenTimedOut",
                 "the desktop did not answer in time (a question of it may still be open)",
                 Message},
    LanguageText{"Main", "ScreenUnreadable", "the screen could not be read", Message},
    LanguageText{"Main", "ScreenBusy", "the picture before was still being taken", Message},
    LanguageText{"Main", "ScreenPermission",
                 "GNOME asks once whether Snaprill may take pictures of the screen (for its "
                 "hotkeys, its automation and snaprill --capture), and only while Snaprill's "
                 "window has the focus: please answer its question now.",
                 Message},
    LanguageText{"Main", "ProgramNotStarted",
                 "The capture was saved, but the external program \"%s\" could not be started.",
                 Message},
    LanguageText{"Main", "NoTray",
                 "No system tray was found: the window is minimised instead of hidden.", Message},
    LanguageText{"Main", "WaylandNote", "Wayland: clipboard watched through Xwayland.", Message},
    LanguageText{"Main", "WaylandNative", "Wayland: clipboard watched through the compositor.",
                 Message},
    LanguageText{"Main", "NoGlobalShortcuts",
                 "Wayland: this desktop lets no program have keys of its own. Bind \"snaprill "
                 "--capture=screen\" to a key in its keyboard settings.",
                 Caption},
    LanguageText{"Main", "NotOnX11",
                 "Qt's platform \"%s\" is in use, not X11: hotkeys work only as the desktop's "
                 "global shortcuts, windows cannot keep their place, and where the compositor "
                 "lets no program follow the clipboard (GNOME) copies are seen only while this "
                 "window has the focus. Started without -platform or QT_QPA_PLATFORM, Snaprill "
                 "runs on X11 (Xwayland).",
                 Message},
    LanguageText{"Main", "ShortcutsPending",
                 "Wayland: the desktop has not confirmed Snaprill's keys yet. Confirm them in "
                 "System Settings (or in the dialog the desktop shows); they work from then on.",
                 Caption},
    LanguageText{"Main", "ShortcutsNoDesktopFile",
                 "Wayland: the desktop gives keys only to programs whose desktop file it finds, "
                 "and found none for Snaprill (install Snaprill, or copy snaprill.desktop into "
                 "~/.local/share/applications, and start it again). Meanwhile bind \"snaprill "
                 "--capture=screen\" to a key in its keyboard settings.",
                 Caption},
    LanguageText{"Main", "ShortcutsRefused",
                 "Wayland: Snaprill's keys were declined. Bind \"snaprill --capture=screen\" to "
                 "a key in the desktop's keyboard settings instead.",
                 Caption},
    LanguageText{"Main", "OptionsFileMissing",
                 "The options file %s was not found: the capture was saved with the current "
                 "settings.",
                 Message},
    LanguageText{"Main", "OutputDirAbsent",
                 "The output folder %s is not there: captures go to %d until it is.", Message},
    LanguageText{"Main", "SettingsUnreadable",
                 "The settings file %s cannot be read: the default settings are in use, and "
                 "changes will not be saved.",
                 Message},
    LanguageText{"Main", "SettingsUnwritable",
                 "The settings file %s cannot be written: changes to the settings will not be "
                 "saved.",
                 Message},
    LanguageText{"Main", "Lossless", "Lossless (recommended)", Message},
    LanguageText{"Main", "QualityLossy", "Quality %q (lossless at the right end)", Message},
    LanguageText{"Main", "SavingCaptures", "Saving captures...", Message},

    LanguageText{"Directory", "Caption", "Choose Directory", Caption},
    LanguageText{"Directory", "ChooseDir", "Choose Directory", Caption},
    LanguageText{"Directory", "NewDir", "New Directory", Caption},
    LanguageText{"Directory", "OK", "OK", Caption},
    LanguageText{"Directory", "Cancel", "Cancel", Caption},
    LanguageText{"Directory", "EnterDir", "Enter directory name", Message},
    LanguageText{"Directory", "DirCreated", "Directory successfully created", Message},
    LanguageText{"Directory", "DirError", "Error creating directory", Message},

    LanguageText{"ImageSelect", "Hint", "Click to select", Caption},

    LanguageText{"Error", "DiskFull", "Cannot create file. Disk may be full or read-only.",
                 Message},
    LanguageText{"Error", "AVIError1", "Failed to create AVI file", Message},
    LanguageText{"Error", "AVIError2", "Failed to retrieve bitmap info", Message},
    LanguageText{"Error", "AVIError3", "Failed to create AVI stream", Message},
    LanguageText{"Error", "AVIError4", "Failed to set AVI stream format", Message},
    LanguageText{"Error", "AVIError5", "Failed to add frame to AVI", Message},
    LanguageText{"Error", "AVIError6",
                 "You cannot save 1-image AVI files. Image type changed to GIF.", Message},
    LanguageText{"Error", "DiskFullFolder", "Folder: %s", Message},
    LanguageText{"Error", "DiskFullRepeated", "Cannot create file: %n more since the message",
                 Message},
    LanguageText{"Error", "SettingsNotSaved", "The settings were not saved: unable to write to %s",
                 Message},
    LanguageText{"Error", "SizeTooLarge",
                 "A picture of %s pixels is too large to make. Captures are saved without this "
                 "change of size.",
                 Message},
    LanguageText{"Error", "HelpNotOpened",
                 "The help file %s could not be opened: no program to show it was found.", Message},

    LanguageText{"Dialogs", "ChooseLang", "Choose Language File", Message},
    LanguageText{"Dialogs", "SelectImages", "Select Images", Message},
    LanguageText{"Dialogs", "LoadImage", "Load Image", Message},
    LanguageText{"Dialogs", "SaveGallery", "Save Gallery as...", Message},
    LanguageText{"Dialogs", "ChooseApp", "Choose Application", Message},

    LanguageText{"MainMenu", "File", "&File", Caption},
    LanguageText{"MainMenu", "ChooseLang", "&Choose Language", Caption},
    LanguageText{"MainMenu", "HideWindow", "Hide &Window", Caption},
    LanguageText{"MainMenu", "SaveSettings", "&Save Settings as...", Caption},
    LanguageText{"MainMenu", "LoadSettings", "&Load Settings", Caption},
    LanguageText{"MainMenu", "Help", "&Help", Caption},
    LanguageText{"MainMenu", "Exit", "&Exit", Caption},
    LanguageText{"MainMenu", "Tabs", "&Tabs", Caption},
    LanguageText{"MainMenu", "HelpMenu", "&Help", Caption},
    LanguageText{"MainMenu", "BuiltInHelp", "&Quick Help and About", Caption},
    LanguageText{"MainMenu", "HelpFile", "Help &File", Caption},

    LanguageText{"Tray", "ShowWindow", "&Show Window", Caption},
    LanguageText{"Tray", "Pause", "&Pause Snaprill", Caption},
    LanguageText{"Tray", "Resume", "&Resume Snaprill", Caption},
    LanguageText{"Tray", "Exit", "&Exit", Caption},

    LanguageText{"PopupMenu", "LoadImage", "&Load Image", Caption},
    LanguageText{"PopupMenu", "ClearImage", "&Clear Image", Caption},
};

constexpr std::array kPageTexts = {
    LanguageText{"OutputDir", "OutputDir", "Output Directory", Caption},
    LanguageText{"OutputDir", "Default", "Default", Caption},
    LanguageText{"OutputDir", "UserSpec", "User specified", Caption},
    LanguageText{"OutputDir", "Change", "Change", Caption},
    LanguageText{"OutputDir", "CurrentDir", "Current directory:", Caption},

    LanguageText{"Filename", "Filename", "Filename", Caption},
    LanguageText{"Filename", "Beginning", "Beginning of Filename:", Caption},
    LanguageText{"Filename", "Example", "Example", Caption},
    LanguageText{"Filename", "AddZeros", "Add zeros to filename (%ex)", Caption},
    LanguageText{"Filename", "NoZeros", "Don't add zeros to filename (%ex)", Caption},

    LanguageText{"Hotkeys", "Hotkeys", "Hotkeys", Caption},
    LanguageText{"Hotkeys", "Hotkey", "Hotkey", Caption},
    LanguageText{"Hotkeys", "Simulate", "Simulate Print Screen on Keystroke", Caption},
    LanguageText{"Hotkeys", "CaptureAct", "Capture Active Window on Keystroke", Caption},

    LanguageText{"AutoSave", "AutoSave", "Automatic Saving", Caption},
    LanguageText{"AutoSave", "Hotkey", "Hotkey", Caption},
    LanguageText{"AutoSave", "Options", "Options", Caption},
    LanguageText{"AutoSave", "HelpHint", "Help", Caption},
    LanguageText{"AutoSave", "OptHint",
                 "Click to choose options file to be used, right-click to clear", Caption},

    LanguageText{"Text", "Text", "Text", Caption},
    LanguageText{"Text", "AddText", "Add text to Images", Caption},
    LanguageText{"Text", "UpperLeft", "Upper left corner", Caption},
    LanguageText{"Text", "UpperRight", "Upper right corner", Caption},
    LanguageText{"Text", "UpCenter", "Top centre", Caption},
    LanguageText{"Text", "LowerLeft", "Lower left corner", Caption},
    LanguageText{"Text", "LowerRight", "Lower right corner", Caption},
    LanguageText{"Text", "DownCenter", "Bottom centre", Caption},
    LanguageText{"Text", "TextColor", "Text Color", Caption},
    LanguageText{"Text", "ChangeFont", "Change Font", Caption},
    LanguageText{"Text", "AddBackground", "Add Background Color", Caption},
    LanguageText{"Text", "BackColor", "Background Color", Caption},
    LanguageText{"Text", "SpaceText", "Space between the text and the edges of the picture",
                 Caption},
    LanguageText{"Text", "X", "X", Caption},
    LanguageText{"Text", "Y", "Y", Caption},
    // The fields of the capture text, which the text field's tooltip lists; its \n
    // become line breaks.
    LanguageText{"Text", "FieldsHint",
                 "Date and time in the text, as the picture is saved:\\n"
                 "%y year (2026)\\n"
                 "%m month (01-12), %n month (1-12)\\n"
                 "%d day (01-31), %j day (1-31)\\n"
                 "%h hour (00-23), %g hour (0-23)\\n"
                 "%i minute (00-59), %s second (00-59)\\n"
                 "Capital letters work too.\\n"
                 "\" %+ \" (with a space either side) is left out,\\n"
                 "joining what stands before and after it.",
                 LineBreaks},

    LanguageText{"Mouse", "Mouse", "Mouse", Caption},
    LanguageText{"Mouse", "AddCursor", "Add mouse cursor to images", Caption},
    LanguageText{"Mouse", "AddCursorNoEffect",
                 "Add mouse cursor to images (no effect: this desktop's screenshots leave it out)",
                 Caption},

    LanguageText{"OtherImages", "OtherImages", "Other Images", Caption},
    LanguageText{"OtherImages", "AddOther", "Add Other Image to Captures", Caption},
    LanguageText{"OtherImages", "LoadImage", "Load Image", Caption},
    LanguageText{"OtherImages", "CurrentImage", "Current image (stretched)", Caption},
    LanguageText{"OtherImages", "Position", "Position", Caption},
    LanguageText{"OtherImages", "X", "X", Caption},
    LanguageText{"OtherImages", "Y", "Y", Caption},

    LanguageText{"GIF", "GIFOpt", "GIF Options", Caption},
    LanguageText{"GIF", "SaveSeparately", "Save each image separately", Caption},
    LanguageText{"GIF", "SaveAni", "Save animation", Caption},
    LanguageText{"GIF", "After", "After", Caption},
    LanguageText{"GIF", "Images", "images", Caption},
    LanguageText{"GIF", "ImageCountLeft", "40", Layout},
    LanguageText{"GIF", "Delay", "Delay (1/100 sec) after each image:", Caption},
    LanguageText{"GIF", "Grayscale", "Save as grayscale", Caption},
    LanguageText{"GIF", "Optimize", "Optimize animations", Caption},

    LanguageText{"Information", "Information", "Information", Caption},
    LanguageText{"Information", "InfoText",
                 "GIF settings also apply to AVI (Video for Windows) files.\\n\\nNote:"
                 "Optimization for GIFs is NOT used in AVI files.",
                 LineBreaks},
    LanguageText{"Information", "AVIInfo",
                 "AVI files are only saved if \"Save animation\" is checked!", Caption},

    LanguageText{"TIFF", "TIFFOptions", "TIFF Options", Caption},
    LanguageText{"TIFF", "PixelFormat", "Pixel Format:", Caption},
    LanguageText{"TIFF", "24bit", "24 bit (recommended)", Caption},
    LanguageText{"TIFF", "8bit", "8 bit (256 colors)", Caption},
    LanguageText{"TIFF", "4bit", "4 bit (16 colors)", Caption},

    LanguageText{"Targa", "TargaOptions", "Targa Options", Caption},
    LanguageText{"Targa", "BlackAndWhite", "Black and White Images", Caption},

    LanguageText{"Bitmap", "BitmapOptions", "Bitmap Options", Caption},
    LanguageText{"Bitmap", "PixelFormat", "Pixel Format:", Caption},
    LanguageText{"Bitmap", "Default", "Default", Caption},
    LanguageText{"Bitmap", "32bit", "32 bit", Caption},
    LanguageText{"Bitmap", "24bit", "24 bit", Caption},
    LanguageText{"Bitmap", "16bit", "16 bit", Caption},
    LanguageText{"Bitmap", "8bit", "8 bit (256 colors)", Caption},
    LanguageText{"Bitmap", "4bit", "4 bit (16 colors)", Caption},
    LanguageText{"Bitmap", "1bit", "1 bit (2 colors)", Caption},

    LanguageText{"Crop", "Crop", "Crop", Caption},
    LanguageText{"Crop", "CropImages", "Crop Images", Caption},
    LanguageText{"Crop", "Left", "Left", Caption},
    LanguageText{"Crop", "Width", "Width", Caption},
    LanguageText{"Crop", "Top", "Top", Caption},
    LanguageText{"Crop", "Height", "Height", Caption},
    LanguageText{"Crop", "ChooseArea", "Choose Area", Caption},
    LanguageText{"Crop", "WindowText", "Resize the window and then close it to save settings",
                 Caption},
    LanguageText{"Crop", "Column1Left", "40", Layout},
    LanguageText{"Crop", "Column2Left", "160", Layout},

    LanguageText{"Resize", "Resize", "Automatic Resizing", Caption},
    LanguageText{"Resize", "AutoResize", "Resize Images Automatically", Caption},
    LanguageText{"Resize", "Width", "Width", Caption},
    LanguageText{"Resize", "Height", "Height", Caption},
    LanguageText{"Resize", "ChooseArea", "Choose Area", Caption},
    LanguageText{"Resize", "WindowText", "Resize the window and then close it to save settings",
                 Caption},

    LanguageText{"Effects", "Effects", "Effects", Caption},
    LanguageText{"Effects", "Invert", "Invert Colors", Caption},
    LanguageText{"Effects", "Emboss", "Emboss", Caption},
    LanguageText{"Effects", "Grayscale", "Grayscale", Caption},
    LanguageText{"Effects", "Pixelize", "Pixelize", Caption},
    LanguageText{"Effects", "Blur", "Blur", Caption},
    LanguageText{"Effects", "Level", "Level:", Caption},
    LanguageText{"Effects", "Current", "Current: %s", Message},

    LanguageText{"Timers", "Timers", "Timers", Caption},
    LanguageText{"Timers", "Simulate", "Simulate Print Screen every...", Caption},
    LanguageText{"Timers", "Milliseconds", "milliseconds", Caption},
    LanguageText{"Timers", "Seconds", "seconds", Caption},
    LanguageText{"Timers", "Minutes", "minutes", Caption},
    LanguageText{"Timers", "StopAfter", "Stop after", Caption},
    LanguageText{"Timers", "Images", "images", Caption},
    LanguageText{"Timers", "Delay", "Delay", Caption},
    LanguageText{"Timers", "Before", "milliseconds before starting", Caption},
    LanguageText{"Timers", "Start", "Start", Message},
    LanguageText{"Timers", "Stop", "Stop", Message},

    LanguageText{"ExtProg", "ExtProg", "External Programs", Caption},
    LanguageText{"ExtProg", "Open", "Open Captured Images Using an External Program", Caption},
    LanguageText{"ExtProg", "Program", "Program [click to browse]:", Caption},
    LanguageText{"ExtProg", "Parameters", "Parameters:", Caption},

    LanguageText{"Gallery", "Gallery", "Gallery", Caption},
    LanguageText{"Gallery", "Create", "Create HTML gallery of selected images", Caption},
    LanguageText{"Gallery", "TableAlign", "Table alignment", Caption},
    LanguageText{"Gallery", "Left", "Left", Caption},
    LanguageText{"Gallery", "Center", "Center", Caption},
    LanguageText{"Gallery", "Right", "Right", Caption},
    LanguageText{"Gallery", "TableCols", "Table columns", Caption},
    LanguageText{"Gallery", "ImageWidth", "Image width:", Caption},
    LanguageText{"Gallery", "ImageHeight", "Image height:", Caption},
    LanguageText{"Gallery", "Pixels", "pixels", Caption},
    LanguageText{"Gallery", "Note", "Note: Width or height of -1 means original size", Caption},
    LanguageText{"Gallery", "CreateLinks", "Create hyperlinks to images", Caption},
    LanguageText{"Gallery", "SelectImages", "Select images and start", Caption},
    LanguageText{"Gallery", "AlignLeft", "88", Layout},
    LanguageText{"Gallery", "TableColLeft", "82", Layout},
    LanguageText{"Gallery", "HeightAndWidthLeft", "80", Layout},

    LanguageText{"Settings", "Settings", "Settings", Caption},
    LanguageText{"Settings", "RememberLastPic", "Remember last picture number", Caption},
    LanguageText{"Settings", "NoClearClpStart", "Do not clear Clipboard on start", Caption},
    LanguageText{"Settings", "NoClearClpResume", "Do not clear Clipboard after resuming", Caption},
    LanguageText{"Settings", "PauseSnaprill", "Pause Snaprill after starting", Caption},
    LanguageText{"Settings", "TrayIcon", "Tray icon always visible", Caption},
    LanguageText{"Settings", "Overwrite", "Overwrite images from previous runs", Caption},
    // Its \n become line breaks when the warning is shown.
    LanguageText{"Settings", "OverwriteWarning",
                 "Are you sure you want to enable this?\\nThis WILL overwrite images from "
                 "previous runs!\\nThis setting will not be saved in snaprill.ini.",
                 Message},
    LanguageText{"Settings", "ResetImageCount", "Set image count to 0", Caption},
    LanguageText{"Settings", "RunAutomatically", "Run Snaprill automatically when you log in",
                 Caption},
    LanguageText{"Settings", "ImageCountConfirmation", "Are you sure?", Message},
    LanguageText{"Settings", "TakeImageWithText", "Also take pictures offered together with text",
                 Caption},
    LanguageText{"Settings", "PrintScreenCopies", "Print Screen copies the screen", Caption},

    LanguageText{"History", "Caption", "Capture History", Caption},
    LanguageText{"History", "Find", "&Find a capture…", Caption},
    LanguageText{"History", "Search", "&Search:", Caption},
    LanguageText{"History", "SearchHint",
                 "Words in the picture, its window or file name; today, yesterday, 2026-03-07",
                 Caption},
    LanguageText{"History", "Open", "&Open", Caption},
    LanguageText{"History", "ShowInFolder", "Show in &folder", Caption},
    LanguageText{"History", "Copy", "&Copy picture", Caption},
    LanguageText{"History", "Delete", "&Delete", Caption},
    LanguageText{"History", "Undo", "&Undo delete", Caption},
    LanguageText{"History", "Gallery", "&Gallery of these", Caption},
    LanguageText{"History", "Count", "Captures: %n", Message},
    LanguageText{"History", "NoMatch", "No capture matches.", Message},
    LanguageText{"History", "NoText",
                 "The text in the pictures is not read: Tesseract or its language data "
                 "(tesseract-ocr-eng) is not installed. Captures are still found by window, "
                 "application, file name and date.",
                 Message},
    LanguageText{"History", "Deleted", "Deleted: %s", Message},
    LanguageText{"History", "NotDeleted", "%s could not be deleted.", Message},
    LanguageText{"History", "Off", "The capture history is switched off (Settings page).", Message},
    LanguageText{"History", "Unavailable", "The capture history cannot be opened: %s", Message},
    LanguageText{"History", "Group", "Capture history", Caption},
    LanguageText{"History", "Keep", "Keep a searchable history of captures", Caption},
    LanguageText{"History", "NeverRead", "Never read the text in captures of:", Caption},
    LanguageText{"History", "NeverReadHint",
                 "Applications as the desktop names them (the window class), separated by \";\"",
                 Caption},
    LanguageText{"History", "Where", "Index: %s", Message},
    LanguageText{"History", "Forget", "Forget all", Caption},
    LanguageText{"History", "ForgetConfirm",
                 "Delete the capture history? The pictures stay where they are.", Message},
    LanguageText{"History", "Offer",
                 "Index the pictures already in %s, so that they can be found by the words in "
                 "them? This runs in the background.",
                 Message},

    LanguageText{"Info", "Translator", "Translated by", Message},
    LanguageText{"Info", "Programmer", "Programmed by", Message},
    LanguageText{"Info", "Thanks", "Thanks to", Message},
    LanguageText{"Info", "OK", "OK", Caption},
    LanguageText{"Info", "Help", "Help", Caption},
    LanguageText{"Info", "Caption", "Info", Caption},

    LanguageText{"Language", "TranslatedBy",
                 "The Snaprill developers (see \"Languages and translators\" in README.md)",
                 Credit},

    LanguageText{"QuickHelp", "LineCount", "0", LineCount},

    LanguageText{"Help", "HelpFile", "snaprill-manual.html", HelpFile},
};

std::vector<LanguageText> schemaRows() {
  std::vector<LanguageText> rows(kWindowTexts.begin(), kWindowTexts.end());
  for (const OutputTypeInfo& type : outputTypes()) {
    rows.push_back({"Descriptions", type.descriptionKey, type.description, LineBreaks});
  }
  rows.insert(rows.end(), kPageTexts.begin(), kPageTexts.end());
  return rows;
}

}  // namespace

std::span<const LanguageText> languageSchema() {
  static const std::vector<LanguageText> rows = schemaRows();
  return rows;
}

const LanguageText* findLanguageText(std::string_view section, std::string_view key) {
  for (const LanguageText& t : languageSchema()) {
    if (equalsIgnoringCase(t.section, section) && equalsIgnoringCase(t.key, key)) return &t;
  }
  return nullptr;
}

}  // namespace snaprill
