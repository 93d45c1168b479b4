#pragma once
// Captions and messages of the product side: the Product menu, the value frame and the
// single read.

namespace kestrel::texts::products {

// The 13 quantity names in catalogue order (QuantityName; also the device grid's headers).
constexpr const char *QuantityNames[13] = {"温度", "湿度", "CO2", "VOC",  "PM2.5", "PM10", "CO",
                                           "O2",   "O3",   "HCHO", "H2S", "NH3",   "NO2"};

// Value-frame label captions, by catalogue index.
constexpr const char *LabelCaptions[13] = {"温度：", "湿度：", "CO2：",  "VOC：", "PM2.5：",
                                           "PM10：", "CO：",   "氧气：", "臭氧：", "甲醛：",
                                           "H2S：",  "氨气：", "NO2："};

// Unit hints (hover tips of the value boxes), by catalogue index.
constexpr const char *UnitHints[13] = {"℃",   "%",   "ppm", "ppm", "ug/m3", "ppm", "ppm",
                                       "ppm", "ug/m3", "ppm", "ppm", "ppm",   "ppm"};

// Product menu.
constexpr const char *ProductMenu = "产品(&P)";
constexpr const char *MenuCaptions[15] = {"温湿度", "温度",   "湿度",           "二氧化碳", "VOC",
                                          "PM2.5",  "一氧化碳", "温湿度+二氧化碳", "氧气",     "臭氧",
                                          "甲醛",   "硫化氢", "氨气",           "二氧化氮", "PM10"};
constexpr const char *ReadSelf = "自定义(需填写起始地址和长度)";

// Value frame.
constexpr const char *AddressLabel = "地址：";
constexpr const char *DeviceNameLabel = "设备名称：";
constexpr const char *SingleRead = "单个读取";
constexpr const char *CustomStartLabel = "起始地址";
constexpr const char *CustomCountLabel = "长度";
constexpr const char *ShowCurve = "实时曲线";

// Identity block message lines.
constexpr const char *BatchPrefix = "批号:";
constexpr const char *SerialPrefix = "编号:";
constexpr const char *DatePrefix = "日期:";

// Refusals of the single read.
constexpr const char *BadAddress = "请输入1-255之间的设备地址";
constexpr const char *BadCustomStart = "起始地址请输入0-255之间的整数";
constexpr const char *BadCustomCount = "长度请输入1-125之间的整数";

} // namespace kestrel::texts::products
