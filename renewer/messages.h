#pragma once

// Console texts, as UTF-16 so that they read the same on every Windows,
// whatever its ANSI code page. Universal character names keep the source
// file ASCII, so no compiler has to guess its encoding.

// asks the player to close the running launcher: "准备更新，请关闭正在运行的Kestrova登陆器！\n"
constexpr const wchar_t* kLauncherBusyMessage = L"\u51c6\u5907\u66f4\u65b0\uff0c\u8bf7\u5173\u95ed\u6b63\u5728\u8fd0\u884c\u7684Kestrova\u767b\u9646\u5668\uff01\n";
// the update configuration could not be obtained: "获取登陆器更新配置失败！\n"
constexpr const wchar_t* kConfigurationFailedMessage = L"\u83b7\u53d6\u767b\u9646\u5668\u66f4\u65b0\u914d\u7f6e\u5931\u8d25\uff01\n";
// the launcher update failed: "登陆器更新失败!\n"
constexpr const wchar_t* kUpdateFailedMessage = L"\u767b\u9646\u5668\u66f4\u65b0\u5931\u8d25!\n";
// first waiting line: verifying the source: "正在验证来源...^_^\n"
constexpr const wchar_t* kVerifyingMessage = L"\u6b63\u5728\u9a8c\u8bc1\u6765\u6e90...^_^\n";
// second waiting line: please wait: "正在构建星系,请稍等...^_^\n"
constexpr const wchar_t* kBuildingMessage = L"\u6b63\u5728\u6784\u5efa\u661f\u7cfb,\u8bf7\u7a0d\u7b49...^_^\n";
// downloaded, followed by the percentage: "\r已经下载 "
constexpr const wchar_t* kProgressPrefix = L"\r\u5df2\u7ecf\u4e0b\u8f7d ";
// first progress line, before the body: "\r已经下载 0%"
constexpr const wchar_t* kProgressOpeningLine = L"\r\u5df2\u7ecf\u4e0b\u8f7d 0%";
// last progress line; ends the console line: "\r已经下载 99%\n"
constexpr const wchar_t* kProgressClosingLine = L"\r\u5df2\u7ecf\u4e0b\u8f7d 99%\n";
