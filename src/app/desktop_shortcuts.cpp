#include "app/desktop_shortcuts.h"

#include <QDBusConnection>
#include <array>

#include "backends/portal/shortcut_trigger.h"

namespace snaprill {

namespace {

// In the hotkeys' slot order; the desktop files the user's keys under these ids, so
// they never change.
constexpr std::array<const char*, Hotkeys::kSlotCount> kShortcutIds = {
    "active-window", "screen", "auto-save-1", "auto-save-2", "auto-save-3"};

QString descriptionOf(std::size_t slot, const Texts& texts) {
  const auto text = [&texts](const char* section, const char* key) {
    return QString::fromStdString(texts.get(section, key));
  };
  if (slot == 0) return text("Hotkeys", "CaptureAct");
  if (slot == 1) return text("Hotkeys", "Simulate");
  return text("AutoSave", "AutoSave") + QStringLiteral(" %1").arg(slot - 1);
}

}  // namespace

const char* shortcutsNote(GlobalShortcuts::State state) {
  using State = GlobalShortcuts::State;
  switch (state) {
    case State::unavailable:
      return "NoGlobalShortcuts";
    case State::awaitingUser:
      return "ShortcutsPending";
    case State::noApplicationId:
      // Not the desktop's fault: it wants a desktop file to know the program by.
      return "ShortcutsNoDesktopFile";
    case State::refused:
      return "ShortcutsRefused";
    case State::idle:
    case State::asking:
    case State::bound:
      break;
  }
  return nullptr;
}

std::unique_ptr<GlobalShortcuts> offerDesktopShortcuts(Hotkeys& hotkeys, const Options& options,
                                                       const Texts& texts, OptionPages& pages) {
  auto shortcuts = std::make_unique<GlobalShortcuts>(QDBusConnection::sessionBus());
  GlobalShortcuts* offered = shortcuts.get();
  QObject::connect(offered, &GlobalShortcuts::activated, offered, [&hotkeys](const QString& id) {
    for (std::size_t slot = 0; slot < kShortcutIds.size(); ++slot) {
      if (id == QLatin1String(kShortcutIds[slot])) hotkeys.fireSlot(slot);
    }
  });
  QObject::connect(offered, &GlobalShortcuts::stateChanged, offered,
                   [offered, &pages] { pages.showShortcutsNote(shortcutsNote(offered->state())); });
  std::vector<PortalShortcut> list;
  for (std::size_t slot = 0; slot < kShortcutIds.size(); ++slot) {
    list.push_back({QLatin1String(kShortcutIds[slot]), descriptionOf(slot, texts),
                    QString::fromStdString(shortcutTrigger(options.value(Hotkeys::keyOf(slot))))});
  }
  offered->bind(std::move(list));
  return shortcuts;
}

}  // namespace snaprill
