#include "options/texts.h"

#include <array>
#include <cctype>

namespace snaprill {

namespace {

struct BuiltInText {
  const char* section;
  const char* key;
  const char* text;
};

// English texts; the full language schema extends this table.
constexpr std::array kBuiltIn = {
    BuiltInText{"Main", "Quality", "Quality %q (recommended %r)"},
    BuiltInText{"Main", "Compression", "Compression Level: %q"},
    BuiltInText{"Main", "HideWindow", "Hide Window"},
    BuiltInText{"Main", "Help", "Help"},
    BuiltInText{"Main", "ImageType", "Image Type:"},
    BuiltInText{"Main", "AdvOptions", "Advanced Options"},
    BuiltInText{"Main", "General", "General"},
    BuiltInText{"Main", "Image", "Image"},
    BuiltInText{"Main", "GIF", "GIF"},
    BuiltInText{"Main", "TIFFTGABMP", "TIFF, TGA, BMP"},
    BuiltInText{"Main", "DimAndEffects", "Dimensions && Effects"},
    BuiltInText{"Main", "Automation", "Automation"},
    BuiltInText{"Main", "Settings", "Settings"},
    BuiltInText{"Main", "SavingSettings", "Saving settings..."},
    BuiltInText{"Main", "SnaprillPaused", "SNAPRILL IS PAUSED"},
    BuiltInText{"Main", "Paused", "Paused"},
    BuiltInText{"Main", "Pictures", "%p pictures"},
    // Texts of this program's own: the notice of a lost capture and its reasons, and
    // the word for a desktop without a tray.
    BuiltInText{"Main", "CaptureLost", "A capture was not saved: %s."},
    BuiltInText{"Main", "NumberUsedUp", "Its number is used up."},
    BuiltInText{"Main", "LostUnreadable", "the offered picture could not be read"},
    BuiltInText{"Main", "LostNotWritten", "the picture could not be written"},
    BuiltInText{"Main", "LostNoNumber", "every file number up to 99999 is taken"},
    BuiltInText{"Main", "LostNotSent", "the program offering the picture did not send it"},
    BuiltInText{"Main", "LostOwnerQuit", "the program offering the picture quit before sending it"},
    BuiltInText{"Main", "LostRefused", "the program offering the picture refused to send it"},
    BuiltInText{"Main", "LostDamaged", "the picture on the clipboard is damaged"},
    BuiltInText{"Main", "LostTooLarge", "the picture on the clipboard is too large"},
    BuiltInText{"Main", "NoTray",
                "No system tray was found: the window is minimised instead of hidden."},
    BuiltInText{"ImageSelect", "Hint", "Click to select"},
    BuiltInText{"Dialogs", "ChooseLang", "Choose Language File"},
    BuiltInText{"Dialogs", "SelectImages", "Select Images"},
    BuiltInText{"Dialogs", "LoadImage", "Load Image"},
    BuiltInText{"Dialogs", "SaveGallery", "Save Gallery as..."},
    BuiltInText{"Dialogs", "ChooseApp", "Choose Application"},
    BuiltInText{"MainMenu", "File", "&File"},
    BuiltInText{"MainMenu", "ChooseLang", "&Choose Language"},
    BuiltInText{"MainMenu", "HideWindow", "Hide &Window"},
    BuiltInText{"MainMenu", "SaveSettings", "&Save Settings as..."},
    BuiltInText{"MainMenu", "LoadSettings", "&Load Settings"},
    BuiltInText{"MainMenu", "Help", "&Help"},
    BuiltInText{"MainMenu", "Exit", "&Exit"},
    BuiltInText{"MainMenu", "Tabs", "&Tabs"},
    BuiltInText{"MainMenu", "HelpMenu", "&Help"},
    BuiltInText{"MainMenu", "BuiltInHelp", "&Quick Help and About"},
    BuiltInText{"MainMenu", "HelpFile", "Help &File"},
    BuiltInText{"Tray", "ShowWindow", "&Show Window"},
    BuiltInText{"Main", "WaylandNote",
                "Wayland session: pictures copied to the clipboard are saved, but hotkeys work "
                "only in X11 windows and Print Screen does not copy the screen."},
    BuiltInText{"Tray", "Pause", "&Pause Snaprill"},
    BuiltInText{"Tray", "Resume", "&Resume Snaprill"},
    BuiltInText{"Tray", "Exit", "&Exit"},
    BuiltInText{"PopupMenu", "LoadImage", "&Load Image"},
    BuiltInText{"PopupMenu", "ClearImage", "&Clear Image"},
    BuiltInText{"Descriptions", "JPEG",
                "JPEG Image\\nJoint Photographic Experts Group\\n\\nLossy compression, supports up "
                "to 24-bit color images"},
    BuiltInText{"Descriptions", "PNG",
                "PNG Image\\nPortable Network Graphics\\n\\nLossless compression with 10 different "
                "levels, supports up to 48-bit color images"},
    BuiltInText{
        "Descriptions", "GIF",
        "GIF Image\\nGraphics Interchange Format\\n\\nSupports up to 256 colors (images will "
        "be dithered to 256 colors), supports animations, lossless compression"},
    BuiltInText{"Descriptions", "Bitmap",
                "Bitmap Image\\n\\nNo compression, very fast, very large files"},
    BuiltInText{"Descriptions", "Metafile",
                "Enhanced Metafile\\n\\nVector+raster graphics, lossless compression"},
    BuiltInText{"Descriptions", "TIFF",
                "TIFF Image\\nTag Image File Format\\n\\nSupports up to 24-bit color images, "
                "lossless compression"},
    BuiltInText{"Descriptions", "AVI", "AVI Video\\nAudio Video Interleave\\n\\nVideo file format"},
    BuiltInText{"Descriptions", "Targa",
                "Truevision Targa Image\\n\\nSupports up to 32-bit color images, lossless "
                "compression."},
    BuiltInText{"Descriptions", "PCX",
                "PCX Image\\nZSoft PC Paintbrush image\\n\\nSupports up to 24-bit color images, "
                "lossless compression"},
    BuiltInText{"OutputDir", "OutputDir", "Output Directory"},
    BuiltInText{"OutputDir", "Default", "Default"},
    BuiltInText{"OutputDir", "UserSpec", "User specified"},
    BuiltInText{"OutputDir", "Change", "Change"},
    BuiltInText{"OutputDir", "CurrentDir", "Current directory:"},
    BuiltInText{"Filename", "Filename", "Filename"},
    BuiltInText{"Filename", "Beginning", "Beginning of Filename:"},
    BuiltInText{"Filename", "Example", "Example"},
    BuiltInText{"Filename", "AddZeros", "Add zeros to filename (%ex)"},
    BuiltInText{"Filename", "NoZeros", "Don't add zeros to filename (%ex)"},
    BuiltInText{"Hotkeys", "Hotkeys", "Hotkeys"},
    BuiltInText{"Hotkeys", "Hotkey", "Hotkey"},
    BuiltInText{"Hotkeys", "Simulate", "Simulate Print Screen on Keystroke"},
    BuiltInText{"Hotkeys", "CaptureAct", "Capture Active Window on Keystroke"},
    BuiltInText{"AutoSave", "AutoSave", "Automatic Saving"},
    BuiltInText{"AutoSave", "Hotkey", "Hotkey"},
    BuiltInText{"AutoSave", "Options", "Options"},
    BuiltInText{"AutoSave", "HelpHint", "Help"},
    BuiltInText{"AutoSave", "OptHint",
                "Click to choose options file to be used, right-click to clear"},
    BuiltInText{"Text", "Text", "Text"},
    BuiltInText{"Text", "AddText", "Add text to Images"},
    BuiltInText{"Text", "UpperLeft", "Upper left corner"},
    BuiltInText{"Text", "UpperRight", "Upper right corner"},
    BuiltInText{"Text", "UpCenter", "Up center"},
    BuiltInText{"Text", "LowerLeft", "Lower left corner"},
    BuiltInText{"Text", "LowerRight", "Lower right corner"},
    BuiltInText{"Text", "DownCenter", "Down center"},
    BuiltInText{"Text", "TextColor", "Text Color"},
    BuiltInText{"Text", "ChangeFont", "Change Font"},
    BuiltInText{"Text", "AddBackground", "Add Background Color"},
    BuiltInText{"Text", "BackColor", "Background Color"},
    BuiltInText{"Text", "SpaceText", "Space between the text and the edges of the picture"},
    BuiltInText{"Text", "X", "X"},
    BuiltInText{"Text", "Y", "Y"},
    BuiltInText{"Mouse", "Mouse", "Mouse"},
    BuiltInText{"Mouse", "AddCursor", "Add mouse cursor to images"},
    BuiltInText{"OtherImages", "OtherImages", "Other Images"},
    BuiltInText{"OtherImages", "AddOther", "Add Other Image to Captures"},
    BuiltInText{"OtherImages", "LoadImage", "Load Image"},
    BuiltInText{"OtherImages", "CurrentImage", "Current image (stretched)"},
    BuiltInText{"OtherImages", "Position", "Position"},
    BuiltInText{"OtherImages", "X", "X"},
    BuiltInText{"OtherImages", "Y", "Y"},
    BuiltInText{"GIF", "GIFOpt", "GIF Options"},
    BuiltInText{"GIF", "SaveSeparately", "Save each image separately"},
    BuiltInText{"GIF", "SaveAni", "Save animation"},
    BuiltInText{"GIF", "After", "After"},
    BuiltInText{"GIF", "Images", "images"},
    BuiltInText{"GIF", "Delay", "Delay (1/100 sec) after each image:"},
    BuiltInText{"GIF", "Grayscale", "Save as grayscale"},
    BuiltInText{"GIF", "Optimize", "Optimize animations"},
    BuiltInText{"Information", "Information", "Information"},
    BuiltInText{
        "Information", "InfoText",
        "GIF settings also apply to AVI (Video for Windows) files.\\n\\nNote:Optimization for "
        "GIFs is NOT used in AVI files."},
    BuiltInText{"Information", "AVIInfo",
                "AVI files are only saved if \"Save animation\" is checked!"},
    BuiltInText{"TIFF", "TIFFOptions", "TIFF Options"},
    BuiltInText{"TIFF", "PixelFormat", "Pixel Format:"},
    BuiltInText{"TIFF", "24bit", "24 bit (recommended)"},
    BuiltInText{"TIFF", "8bit", "8 bit (256 colors)"},
    BuiltInText{"TIFF", "4bit", "4 bit (16 colors)"},
    BuiltInText{"Targa", "TargaOptions", "Targa Options"},
    BuiltInText{"Targa", "BlackAndWhite", "Black and White Images"},
    BuiltInText{"Bitmap", "BitmapOptions", "Bitmap Options"},
    BuiltInText{"Bitmap", "PixelFormat", "Pixel Format:"},
    BuiltInText{"Bitmap", "Default", "Default"},
    BuiltInText{"Bitmap", "32bit", "32 bit"},
    BuiltInText{"Bitmap", "24bit", "24 bit"},
    BuiltInText{"Bitmap", "16bit", "16 bit"},
    BuiltInText{"Bitmap", "8bit", "8 bit (256 colors)"},
    BuiltInText{"Bitmap", "4bit", "4 bit (16 colors)"},
    BuiltInText{"Bitmap", "1bit", "1 bit (2 colors)"},
    BuiltInText{"Crop", "Crop", "Crop"},
    BuiltInText{"Crop", "CropImages", "Crop Images"},
    BuiltInText{"Crop", "Left", "Left"},
    BuiltInText{"Crop", "Width", "Width"},
    BuiltInText{"Crop", "Top", "Top"},
    BuiltInText{"Crop", "Height", "Height"},
    BuiltInText{"Crop", "ChooseArea", "Choose Area"},
    BuiltInText{"Resize", "Resize", "Automatic Resizing"},
    BuiltInText{"Resize", "AutoResize", "Resize Images Automatically"},
    BuiltInText{"Resize", "Width", "Width"},
    BuiltInText{"Resize", "Height", "Height"},
    BuiltInText{"Resize", "ChooseArea", "Choose Area"},
    BuiltInText{"Effects", "Effects", "Effects"},
    BuiltInText{"Effects", "Invert", "Invert Colors"},
    BuiltInText{"Effects", "Grayscale", "Grayscale"},
    BuiltInText{"Effects", "Current", "Current: %s"},
    BuiltInText{"Timers", "Timers", "Timers"},
    BuiltInText{"Timers", "Simulate", "Simulate Print Screen every..."},
    BuiltInText{"Timers", "Milliseconds", "milliseconds"},
    BuiltInText{"Timers", "Seconds", "seconds"},
    BuiltInText{"Timers", "Minutes", "minutes"},
    BuiltInText{"Timers", "StopAfter", "Stop after"},
    BuiltInText{"Timers", "Images", "images"},
    BuiltInText{"Timers", "Delay", "Delay"},
    BuiltInText{"Timers", "Before", "milliseconds before starting"},
    BuiltInText{"Timers", "Start", "Start"},
    BuiltInText{"Timers", "Stop", "Stop"},
    BuiltInText{"ExtProg", "ExtProg", "External Programs"},
    BuiltInText{"ExtProg", "Open", "Open Captured Images Using an External Program"},
    BuiltInText{"ExtProg", "Program", "Program [click to browse]:"},
    BuiltInText{"ExtProg", "Parameters", "Parameters:"},
    BuiltInText{"Gallery", "Gallery", "Gallery"},
    BuiltInText{"Gallery", "Create", "Create HTML gallery of selected images"},
    BuiltInText{"Gallery", "TableAlign", "Table alignment"},
    BuiltInText{"Gallery", "Left", "Left"},
    BuiltInText{"Gallery", "Center", "Center"},
    BuiltInText{"Gallery", "Right", "Right"},
    BuiltInText{"Gallery", "TableCols", "Table columns"},
    BuiltInText{"Gallery", "ImageWidth", "Image width:"},
    BuiltInText{"Gallery", "ImageHeight", "Image height:"},
    BuiltInText{"Gallery", "Pixels", "pixels"},
    BuiltInText{"Gallery", "Note", "Note: Width or height of -1 means original size"},
    BuiltInText{"Gallery", "CreateLinks", "Create hyperlinks to images"},
    BuiltInText{"Gallery", "SelectImages", "Select images and start"},
    BuiltInText{"Settings", "Settings", "Settings"},
    BuiltInText{"Settings", "RememberLastPic", "Remember last picture number"},
    BuiltInText{"Settings", "NoClearClpStart", "Do not clear Clipboard on start"},
    BuiltInText{"Settings", "NoClearClpResume", "Do not clear Clipboard after resuming"},
    BuiltInText{"Settings", "PauseSnaprill", "Pause Snaprill after starting"},
    BuiltInText{"Settings", "TrayIcon", "Tray icon always visible"},
    BuiltInText{"Settings", "Overwrite", "Overwrite images from previous runs"},
    BuiltInText{"Settings", "ResetImageCount", "Set image count to 0"},
    BuiltInText{"Settings", "RunAutomatically", "Run Snaprill automatically when Windows starts"},
    BuiltInText{"Settings", "ImageCountConfirmation", "Are you sure?"},
    BuiltInText{"Settings", "TakeImageWithText", "Also take pictures offered together with text"},
    BuiltInText{"Settings", "PrintScreenCopies", "Print Screen copies the screen"},
    BuiltInText{"Settings", "OverwriteWarning",
                "Are you sure you want to enable this?\\nThis WILL overwrite images from previous "
                "runs!\\nThis setting will not be saved in snaprill.ini."},
    BuiltInText{"Error", "DiskFull", "Cannot create file. Disk may be full or read-only."},
    BuiltInText{"Error", "DiskFullFolder", "Folder: %s"},
    BuiltInText{"Error", "DiskFullRepeated", "Cannot create file: %n more since the message"},
    BuiltInText{"Error", "SettingsNotSaved", "The settings were not saved: unable to write to %s"},
    BuiltInText{"Error", "SizeTooLarge",
                "A picture of %s pixels is too large to make. Captures are saved without this "
                "change of size."},
    BuiltInText{"Error", "AVIError1", "Failed to create AVI file"},
    BuiltInText{"Error", "AVIError2", "Failed to retrieve bitmap info"},
    BuiltInText{"Error", "AVIError3", "Failed to create AVI stream"},
    BuiltInText{"Error", "AVIError4", "Failed to set AVI stream format"},
    BuiltInText{"Error", "AVIError5", "Failed to add frame to AVI"},
    BuiltInText{"Error", "AVIError6",
                "You cannot save 1-image AVI files. Image type changed to GIF."},
    // The area chooser's captions.
    BuiltInText{"Crop", "WindowText", "Resize the window and then close it to save settings"},
    BuiltInText{"Resize", "WindowText", "Resize the window and then close it to save settings"},
    // The directory chooser.
    BuiltInText{"Directory", "Caption", "Choose Directory"},
    BuiltInText{"Directory", "ChooseDir", "Choose Directory"},
    BuiltInText{"Directory", "NewDir", "New Directory"},
    BuiltInText{"Directory", "OK", "OK"},
    BuiltInText{"Directory", "Cancel", "Cancel"},
    BuiltInText{"Directory", "EnterDir", "Enter directory name"},
    BuiltInText{"Directory", "DirCreated", "Directory successfully created"},
    BuiltInText{"Directory", "DirError", "Error creating directory"},
    // The about box, its translator credit and its quick help.
    BuiltInText{"Info", "Translator", "Translated by"},
    BuiltInText{"Info", "Programmer", "Programmed by"},
    BuiltInText{"Info", "Thanks", "Thanks to"},
    BuiltInText{"Info", "OK", "OK"},
    BuiltInText{"Info", "Help", "Help"},
    BuiltInText{"Language", "TranslatedBy", "the Snaprill developers"},
    BuiltInText{"QuickHelp", "LineCount", "0"},
};

}  // namespace

const std::string* Texts::builtIn(std::string_view section, std::string_view key) {
  static const std::array<std::string, kBuiltIn.size()> strings = [] {
    std::array<std::string, kBuiltIn.size()> v;
    for (std::size_t i = 0; i < kBuiltIn.size(); ++i) v[i] = kBuiltIn[i].text;
    return v;
  }();
  for (std::size_t i = 0; i < kBuiltIn.size(); ++i) {
    if (equalsIgnoringCase(kBuiltIn[i].section, section) &&
        equalsIgnoringCase(kBuiltIn[i].key, key)) {
      return &strings[i];
    }
  }
  return nullptr;
}

const std::string& Texts::get(std::string_view section, std::string_view key) const {
  const auto it = overrides_.find(std::make_pair(lowerAscii(section), lowerAscii(key)));
  if (it != overrides_.end()) return it->second;
  static const std::string kEmpty;
  const std::string* text = builtIn(section, key);
  return text ? *text : kEmpty;
}

void Texts::set(std::string_view section, std::string_view key, std::string text) {
  overrides_[std::make_pair(lowerAscii(section), lowerAscii(key))] = std::move(text);
}

}  // namespace snaprill
