#pragma once
// Captions and messages of the device frame.

namespace kestrel::deviceTexts {
constexpr const char *DeviceFrame = "设备列表";
constexpr const char *AddressLabel = "设备地址：";
constexpr const char *AddDevice = "增加设备";
constexpr const char *AliasLabel = "设备别名：";
constexpr const char *Rename = "更改别名";
constexpr const char *AddFailed = "添加设备失败！\r\n请重试!";
constexpr const char *BadAddress = "请输入1-255之间的设备地址";
constexpr const char *NoRowSelected = "请先在设备列表中点选要更名的设备";
constexpr const char *RenameFailed = "别名未能保存：";
} // namespace kestrel::deviceTexts
