#pragma once

#include "watermark/WatermarkText.h"

#include <QStringList>

#include <span>
#include <vector>

// The watermark texts in the settings, section "Obj": "Max" (the number of texts) and per text i (decimal,
// appended to the name) "Text", "Col", "FontName", "L", "T", "R", "B", "Size", "Bold", "Italic", "Del",
// "Under", "iKage" (shadow + 100) and "refKage". The selection is not stored.
namespace corvane {

class SettingsStore;

// "Max" as stored (0 when missing).
int storedWatermarkCount(const SettingsStore& settings);

// Writes "Max" and the values of every text. Nothing is written for no texts, so that an earlier set
// stays; values of higher indexes left from an earlier, larger set stay too.
void saveWatermarks(SettingsStore& settings, std::span<const WatermarkText> texts);

// Reads texts 0 … count − 1 with the defaults of missing values. A text longer than 299 bytes or a face
// longer than 31 bytes (in code page 932) is cut at a character boundary; characters code page 932 cannot
// hold become "?" in a text, and such a face becomes the default one; sizes and shadows outside their
// ranges are brought into them. Each such change is listed in `adjustments`. Boxes are as stored (the
// list fits them).
std::vector<WatermarkText> loadWatermarks(const SettingsStore& settings, int count, QStringList& adjustments);

} // namespace corvane
