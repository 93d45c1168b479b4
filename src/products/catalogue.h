#pragma once
// The catalogue of the 13 quantities and of the product types: which register carries each
// quantity, how a register word becomes the number shown, and how a device's two type codes
// (combination code mixpro, type code protype) map to a Product-menu choice, the value boxes
// of the product and the register block the polling cycle reads.
#include "common/tr8.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kestrel {

constexpr int QuantityCount = 13;
constexpr int ProductMenuItems = 15;

// Catalogue indexes of the quantities.
enum QuantityIndex { Temperature = 0, Humidity, CO2, VOC, PM25, PM10, CO, O2, O3, HCHO, H2S, NH3, NO2 };

// A word above 32767 stands for word − 65536.
constexpr int signedWord(int word)
{
    return word > 32767 ? word - 65536 : word;
}

struct Quantity {
    int index;          // catalogue index 0..12 (grid column 2 + index)
    uint8_t reg;        // holding register
    int box;            // value box and label index 0..12
    int divisor;        // 10, 100 or 1: the device's fixed-point scale
    const char *format; // number pattern: "##0.0", "###0.0", "#0.00", "#0.0"
    bool clampLow;      // below 0 → 0
    int highLimit;      // values above highLimit become highValue (0: no upper clamp)
    int highValue;

    QString name() const;    // QuantityName: "温度", ..., "NO2"
    QString caption() const; // label caption "温度：", "氧气：", ...
    QString unitHint() const;
    int gridColumn() const { return 2 + index; }
    // The clamp applied to a signed value before scaling.
    int clamp(int value) const;
    // value ÷ divisor in the display format.
    QString display(int value) const;
};

const std::array<Quantity, QuantityCount> &quantities();
const Quantity &quantity(int index);         // by catalogue index (0..12)
const Quantity *quantityAtRegister(int reg); // nullptr for registers not in the table
const Quantity *quantityInBox(int box);      // nullptr outside 0..12

// Renders value / divisor with a number pattern of '#' (optional digit), '0' (required digit)
// and '.': as many decimals as the pattern has after the point, at least as many integer
// digits as it has '0's before it, halves away from zero. Exact: no floating point.
QString formatNumber(qint64 value, int divisor, const char *pattern);

// A device's two type codes as it reports them in its identity block (register 243).
struct TypeCodes {
    uint8_t mixpro = 0;  // combination code; 0 = single quantity or not yet identified
    uint8_t protype = 0; // type code; 0 = not yet identified
};

// The register block the polling cycle reads for a type: start register and count.
struct PollingBlock {
    uint8_t start;
    uint8_t count;
    bool operator==(const PollingBlock &o) const { return start == o.start && count == o.count; }
};

struct ProductType {
    int menuIndex; // Product-menu index 0..14, -1 for types no menu item chooses
    uint8_t mixpro;
    uint8_t protype;
    const char *typeName;        // kept per device: "T+RH", "CO2", ...
    uint8_t selector;            // SelStart of a single read; 0 for types without a menu item
    uint8_t selector2;           // SelStart2; 0 when none
    std::vector<int> boxes;      // value boxes enabled for the type
    std::vector<int> components; // catalogue indexes of the name's parts, in name order
    std::optional<PollingBlock> block;

    QString name() const { return fileText(typeName); }
    QString menuCaption() const; // empty for types without a menu item
};

const std::vector<ProductType> &productTypes();
// The product of Product-menu index 0..14; nullptr otherwise.
const ProductType *productAtMenu(int menuIndex);

// The type-name lookup: the type a device's codes stand for, or nullptr when the pair is not a
// product type (mixpro 65, unknown protypes). (0, 3) is the temperature + humidity product.
const ProductType *lookupType(uint8_t mixpro, uint8_t protype);
// The codes a device of (mixpro, protype) is stored with: (0, 3) becomes (33, 3).
inline uint8_t normalisedMixpro(uint8_t mixpro, uint8_t protype)
{
    return (mixpro == 0 && protype == 3) ? 33 : mixpro;
}

// The block the polling cycle reads for a device, or nothing for codes that are not a
// product type (such a device is not read).
std::optional<PollingBlock> pollingBlock(uint8_t mixpro, uint8_t protype);

// The number a polled device shows for component k of its type name, from the register word.
// Single-quantity types, "T+RH" and the temperature and humidity of the 49 group take the word
// as signed and clamp it as the quantity says; the third quantity of the 49 group is the plain
// unsigned word; the five-quantity type takes temperature as signed and the rest unsigned, with
// no clamps.
int polledValue(const ProductType &type, int component, int word);

// QuantityName, filled from the catalogue.
std::array<QString, QuantityCount> quantityNames();

} // namespace kestrel
