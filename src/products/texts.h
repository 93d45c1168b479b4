#pragma once
#include <QtGlobal>
// clang-format off
// Captions and messages of the product side: the Product menu, the value frame and the
// single read.

namespace kestrel::texts::products {

// The 13 quantity names in catalogue order (QuantityName; also the device grid's headers).
constexpr const char *QuantityNames[13] = {QT_TRANSLATE_NOOP("kestrel", "温度"), QT_TRANSLATE_NOOP("kestrel", "湿度"), QT_TRANSLATE_NOOP("kestrel", "CO2"), QT_TRANSLATE_NOOP("kestrel", "VOC"),  QT_TRANSLATE_NOOP("kestrel", "PM2.5"), QT_TRANSLATE_NOOP("kestrel", "PM10"), QT_TRANSLATE_NOOP("kestrel", "CO"),
                                           QT_TRANSLATE_NOOP("kestrel", "O2"),   QT_TRANSLATE_NOOP("kestrel", "O3"),   QT_TRANSLATE_NOOP("kestrel", "HCHO"), QT_TRANSLATE_NOOP("kestrel", "H2S"), QT_TRANSLATE_NOOP("kestrel", "NH3"),   QT_TRANSLATE_NOOP("kestrel", "NO2")};

// Value-frame label captions, by catalogue index.
constexpr const char *LabelCaptions[13] = {QT_TRANSLATE_NOOP("kestrel", "温度："), QT_TRANSLATE_NOOP("kestrel", "湿度："), QT_TRANSLATE_NOOP("kestrel", "CO2："),  QT_TRANSLATE_NOOP("kestrel", "VOC："), QT_TRANSLATE_NOOP("kestrel", "PM2.5："),
                                           QT_TRANSLATE_NOOP("kestrel", "PM10："), QT_TRANSLATE_NOOP("kestrel", "CO："),   QT_TRANSLATE_NOOP("kestrel", "氧气："), QT_TRANSLATE_NOOP("kestrel", "臭氧："), QT_TRANSLATE_NOOP("kestrel", "甲醛："),
                                           QT_TRANSLATE_NOOP("kestrel", "H2S："),  QT_TRANSLATE_NOOP("kestrel", "氨气："), QT_TRANSLATE_NOOP("kestrel", "NO2：")};

// Unit hints (hover tips of the value boxes), by catalogue index.
constexpr const char *UnitHints[13] = {QT_TRANSLATE_NOOP("kestrel", "℃"),   QT_TRANSLATE_NOOP("kestrel", "%"),   QT_TRANSLATE_NOOP("kestrel", "ppm"), QT_TRANSLATE_NOOP("kestrel", "ppm"), QT_TRANSLATE_NOOP("kestrel", "ug/m3"), QT_TRANSLATE_NOOP("kestrel", "ppm"), QT_TRANSLATE_NOOP("kestrel", "ppm"),
                                       QT_TRANSLATE_NOOP("kestrel", "ppm"), QT_TRANSLATE_NOOP("kestrel", "ug/m3"), QT_TRANSLATE_NOOP("kestrel", "ppm"), QT_TRANSLATE_NOOP("kestrel", "ppm"), QT_TRANSLATE_NOOP("kestrel", "ppm"),   QT_TRANSLATE_NOOP("kestrel", "ppm")};

// Product menu.
constexpr const char *ProductMenu = QT_TRANSLATE_NOOP("kestrel", "产品(&P)");
constexpr const char *MenuCaptions[15] = {QT_TRANSLATE_NOOP("kestrel", "温湿度"), QT_TRANSLATE_NOOP("kestrel", "温度"),   QT_TRANSLATE_NOOP("kestrel", "湿度"),           QT_TRANSLATE_NOOP("kestrel", "二氧化碳"), QT_TRANSLATE_NOOP("kestrel", "VOC"),
                                          QT_TRANSLATE_NOOP("kestrel", "PM2.5"),  QT_TRANSLATE_NOOP("kestrel", "一氧化碳"), QT_TRANSLATE_NOOP("kestrel", "温湿度+二氧化碳"), QT_TRANSLATE_NOOP("kestrel", "氧气"),     QT_TRANSLATE_NOOP("kestrel", "臭氧"),
                                          QT_TRANSLATE_NOOP("kestrel", "甲醛"),   QT_TRANSLATE_NOOP("kestrel", "硫化氢"), QT_TRANSLATE_NOOP("kestrel", "氨气"),           QT_TRANSLATE_NOOP("kestrel", "二氧化氮"), QT_TRANSLATE_NOOP("kestrel", "PM10")};
constexpr const char *ReadSelf = QT_TRANSLATE_NOOP("kestrel", "自定义(需填写起始地址和长度)");

// Value frame.
constexpr const char *AddressLabel = QT_TRANSLATE_NOOP("kestrel", "地址：");
constexpr const char *DeviceNameLabel = QT_TRANSLATE_NOOP("kestrel", "设备名称：");
constexpr const char *SingleRead = QT_TRANSLATE_NOOP("kestrel", "单个读取");
constexpr const char *CustomStartLabel = QT_TRANSLATE_NOOP("kestrel", "起始地址");
constexpr const char *CustomCountLabel = QT_TRANSLATE_NOOP("kestrel", "长度");
constexpr const char *ShowCurve = QT_TRANSLATE_NOOP("kestrel", "实时曲线");

// Identity block message lines.
constexpr const char *BatchPrefix = QT_TRANSLATE_NOOP("kestrel", "批号:");
constexpr const char *SerialPrefix = QT_TRANSLATE_NOOP("kestrel", "编号:");
constexpr const char *DatePrefix = QT_TRANSLATE_NOOP("kestrel", "日期:");

// Refusals of the single read.
constexpr const char *BadAddress = QT_TRANSLATE_NOOP("kestrel", "请输入1-255之间的设备地址");
constexpr const char *BadCustomStart = QT_TRANSLATE_NOOP("kestrel", "起始地址请输入0-255之间的整数");
constexpr const char *BadCustomCount = QT_TRANSLATE_NOOP("kestrel", "长度请输入1-125之间的整数");

} // namespace kestrel::texts::products
// clang-format on
