#pragma once
// The key text: 48 two-digit hexadecimal values separated by single blanks,
// as stored in a profile's CipherCode and shown in the settings window.

#include "state/KeyMaterial.h"

#include <QString>
#include <cstdint>
#include <functional>

// Shows a modal box with title and text; injected so the parser runs without a display.
using ShowMessageFn = std::function<void(const QString& title, const QString& text)>;

// Parses the first 48 blank-separated fields of keyText into material.
// True on success. On the first invalid field shows one "Fehler:" box and
// returns false with material unchanged; the caller then switches encryption
// off. Fields after the 48th are ignored.
[[nodiscard]] bool ParseKeyText(const QString& keyText, KeyMaterial& material,
                                const ShowMessageFn& showMessage);

// What the settings window does to its key field on "Ok": upper case, then
// every "-" and "," becomes one blank. Nothing is trimmed or removed.
[[nodiscard]] QString NormaliseKeyText(const QString& fieldText);

// One byte as two upper-case hexadecimal digits, high half first ("0A", "00").
[[nodiscard]] QString ByteToHexText(uint8_t value);

// The canonical 143-character key text of material.
[[nodiscard]] QString KeyTextFromMaterial(const KeyMaterial& material);
