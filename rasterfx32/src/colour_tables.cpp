#include "colour_tables.h"

#include <algorithm>
#include <cmath>

namespace rfx {
namespace {

struct TransferTables {
  double highlights_add[256], shadows_sub[256];
  double shadows_add[256], midtones_add[256], midtones_sub[256], highlights_sub[256];
};

const TransferTables& transfer() {
  static const TransferTables t = [] {
    TransferTables t{};
    for (int i = 0; i < 256; ++i) {
      const double rise = 1.075 - 1.0 / (i / 16.0 + 1.0);
      t.highlights_add[i] = rise;
      t.shadows_sub[255 - i] = rise;
      const double d = (i - 127) / 127.0;
      const double hump = 0.667 * (1.0 - d * d);
      t.shadows_add[i] = t.midtones_add[i] = t.midtones_sub[i] = t.highlights_sub[i] = hump;
    }
    return t;
  }();
  return t;
}

int step(int v, double amount, const double* add, const double* sub) {
  const double* table = amount > 0 ? add : sub;
  return std::clamp(static_cast<int>(v + amount * table[v]), 0, 255);
}

Lut balanceTable(const double values[3]) {
  const TransferTables& t = transfer();
  Lut lut{};
  for (int i = 0; i < 256; ++i) {
    int v = step(i, values[0], t.shadows_add, t.shadows_sub);
    v = step(v, values[1], t.midtones_add, t.midtones_sub);
    v = step(v, values[2], t.highlights_add, t.highlights_sub);
    lut[i] = static_cast<uint8_t>(v);
  }
  return lut;
}

uint8_t brightnessContrast(uint8_t entry, int brightness, int& contrast) {
  float x = entry / 255.0f;
  if (brightness < 0) {
    x = x * (1.0f + brightness / 255.0f);
  } else {
    x = x + (1.0f - x) * brightness / 255.0f;
  }
  const bool upper = x > 0.5f;
  float n = upper ? 1.0f - x : x;
  if (n < 0) n = 0;
  if (contrast < 0) {
    if (contrast < -126) contrast = -126;
    n = 0.5f * std::pow(2 * n, (contrast + 127) / 127.0f);
  } else {
    const float power = contrast == 127 ? 127.0f : 127.0f / (127 - contrast);
    n = 0.5f * std::pow(2 * n, power);
  }
  x = upper ? 1.0f - n : n;
  return static_cast<uint8_t>(std::clamp(x * 255 + 0.5f, 0.0f, 255.0f));
}

}  // namespace

std::array<Lut, 3> colourBalanceTables(ColourBalanceValues& values) {
  std::array<Lut, 3> tables{};
  // Table 0 is red (cyan-red axis), 1 green, 2 blue.
  for (int axis = 0; axis < 3; ++axis) tables[axis] = balanceTable(values.balance[axis]);
  if (values.brightness != 0 || values.contrast != 0) {
    for (Lut& lut : tables)
      for (uint8_t& e : lut) e = brightnessContrast(e, values.brightness, values.contrast);
  }
  return tables;
}

}  // namespace rfx
