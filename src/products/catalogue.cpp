#include "catalogue.h"
#include "common/tr8.h"

#include "texts.h"

namespace kestrel {

namespace {

const std::array<Quantity, QuantityCount> kQuantities = {{
    // index, register, box, divisor, format, clamp below 0, above, becomes
    {Temperature, 2, 0, 10, "##0.0", false, 0, 0},
    {Humidity, 3, 1, 10, "##0.0", true, 1000, 1000},
    {CO2, 6, 2, 1, "###0.0", true, 0, 0},
    {VOC, 8, 3, 1, "###0.0", true, 0, 0},
    {PM25, 10, 4, 1, "###0.0", true, 0, 0},
    {PM10, 9, 12, 1, "###0.0", true, 0, 0},
    {CO, 11, 5, 10, "##0.0", true, 0, 0},
    {O2, 13, 6, 100, "#0.00", true, 2500, 2500},
    {O3, 16, 7, 100, "#0.00", true, 2000, 2000},
    {HCHO, 18, 8, 10, "#0.0", true, 26800, 26790}, // the device's top reading is 2679.0
    {H2S, 19, 9, 10, "##0.0", true, 0, 0},
    {NH3, 20, 10, 10, "##0.0", true, 0, 0},
    {NO2, 21, 11, 10, "##0.0", true, 0, 0},
}};

const std::vector<ProductType> kTypes = {
    // menu, mixpro, protype, name, selector, selector2, boxes, components, polling block
    {0, 33, 3, "T+RH", 2, 0, {0, 1}, {Temperature, Humidity}, PollingBlock{2, 2}},
    {1, 0, 2, "T", 2, 0, {0}, {Temperature}, PollingBlock{2, 1}},
    {2, 0, 1, "RH", 3, 0, {1}, {Humidity}, PollingBlock{3, 1}},
    {3, 0, 6, "CO2", 6, 0, {2}, {CO2}, PollingBlock{6, 1}},
    {4, 0, 8, "VOC", 8, 0, {3}, {VOC}, PollingBlock{8, 1}},
    {5, 0, 10, "PM25", 10, 0, {4}, {PM25}, PollingBlock{10, 1}},
    {6, 0, 11, "CO", 11, 0, {5}, {CO}, PollingBlock{11, 1}},
    {7, 49, 9, "T+RH+CO2", 2, 6, {0, 1, 2}, {Temperature, Humidity, CO2}, PollingBlock{2, 5}},
    {8, 0, 13, "O2", 13, 0, {6}, {O2}, PollingBlock{13, 1}},
    {9, 0, 16, "O3", 16, 0, {7}, {O3}, PollingBlock{16, 1}},
    {10, 0, 18, "HCHO", 18, 0, {8}, {HCHO}, PollingBlock{18, 1}},
    {11, 0, 19, "H2S", 19, 0, {9}, {H2S}, PollingBlock{19, 1}},
    {12, 0, 20, "NH3", 20, 0, {10}, {NH3}, PollingBlock{20, 1}},
    {13, 0, 21, "NO2", 21, 0, {11}, {NO2}, PollingBlock{21, 1}},
    {14, 0, 9, "PM10", 9, 0, {12}, {PM10}, PollingBlock{9, 1}},
    // Combined types that only a device's codes choose.
    {-1, 49, 11, "T+RH+VOC", 0, 0, {0, 1, 3}, {Temperature, Humidity, VOC}, PollingBlock{2, 7}},
    {-1, 49, 13, "T+RH+PM2.5", 0, 0, {0, 1, 4}, {Temperature, Humidity, PM25}, PollingBlock{2, 9}},
    {-1,
     81,
     27,
     "T+RH+CO2+VOC+PM2.5",
     0,
     0,
     {0, 1, 2, 3, 4},
     {Temperature, Humidity, CO2, VOC, PM25},
     PollingBlock{2, 9}},
};

} // namespace

QString Quantity::name() const
{
    return fileText(texts::products::QuantityNames[index]);
}
QString Quantity::caption() const
{
    return tr8(texts::products::LabelCaptions[index]);
}
QString Quantity::unitHint() const
{
    return tr8(texts::products::UnitHints[index]);
}

int Quantity::clamp(int value) const
{
    if (highLimit > 0 && value > highLimit)
        value = highValue;
    if (clampLow && value < 0)
        value = 0;
    return value;
}

QString Quantity::display(int value) const
{
    return formatNumber(value, divisor, format);
}

QString formatNumber(qint64 value, int divisor, const char *pattern)
{
    int intZeros = 0, decimals = 0;
    bool afterPoint = false;
    for (const char *p = pattern; *p; ++p) {
        if (*p == '.')
            afterPoint = true;
        else if (afterPoint && (*p == '0' || *p == '#'))
            ++decimals;
        else if (*p == '0')
            ++intZeros;
    }
    if (divisor <= 0)
        divisor = 1;
    qint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const bool negative = value < 0;
    const qint64 magnitude = negative ? -value : value;
    // magnitude / divisor to `decimals` places, halves away from zero.
    const qint64 scaled = (magnitude * scale * 2 + divisor) / (2 * divisor);
    QString digits = QString::number(scaled / scale);
    if (digits.size() < intZeros)
        digits = QString(intZeros - digits.size(), u'0') + digits;
    else if (intZeros == 0 && digits == u'0')
        digits.clear(); // a pattern without a required integer digit shows ".5"
    if (decimals > 0)
        digits += u'.' + QString::number(scaled % scale).rightJustified(decimals, u'0');
    if (negative && scaled != 0)
        digits.prepend(u'-');
    return digits;
}

const std::array<Quantity, QuantityCount> &quantities()
{
    return kQuantities;
}

const Quantity &quantity(int index)
{
    return kQuantities[static_cast<size_t>(index >= 0 && index < QuantityCount ? index : 0)];
}

const Quantity *quantityAtRegister(int reg)
{
    for (const auto &q : kQuantities)
        if (q.reg == reg)
            return &q;
    return nullptr;
}

const Quantity *quantityInBox(int box)
{
    for (const auto &q : kQuantities)
        if (q.box == box)
            return &q;
    return nullptr;
}

QString ProductType::menuCaption() const
{
    if (menuIndex < 0 || menuIndex >= ProductMenuItems)
        return {};
    return tr8(texts::products::MenuCaptions[menuIndex]);
}

const std::vector<ProductType> &productTypes()
{
    return kTypes;
}

const ProductType *productAtMenu(int menuIndex)
{
    if (menuIndex < 0 || menuIndex >= ProductMenuItems)
        return nullptr;
    return &kTypes[static_cast<size_t>(menuIndex)]; // the table lists the menu items first, in order
}

const ProductType *lookupType(uint8_t mixpro, uint8_t protype)
{
    mixpro = normalisedMixpro(mixpro, protype);
    for (const auto &t : kTypes)
        if (t.mixpro == mixpro && t.protype == protype)
            return &t;
    return nullptr;
}

std::optional<PollingBlock> pollingBlock(uint8_t mixpro, uint8_t protype)
{
    const ProductType *t = lookupType(mixpro, protype);
    return t ? t->block : std::nullopt;
}

int polledValue(const ProductType &type, int component, int word)
{
    if (type.mixpro == 81)
        return component == 0 ? signedWord(word) : word;
    if (type.mixpro == 49 && component >= 2)
        return word;
    const int q = component >= 0 && component < static_cast<int>(type.components.size())
                      ? type.components[static_cast<size_t>(component)]
                      : 0;
    return quantity(q).clamp(signedWord(word));
}

std::array<QString, QuantityCount> quantityNames()
{
    std::array<QString, QuantityCount> names;
    for (const auto &q : kQuantities)
        names[static_cast<size_t>(q.index)] = q.name();
    return names;
}

} // namespace kestrel
