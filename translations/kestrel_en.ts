<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>kestrel</name>
    <message>
        <source>CRC计算</source>
        <translation>CRC calculation</translation>
    </message>
    <message>
        <source>十六进制</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>待发送命令：</source>
        <translation>Command:</translation>
    </message>
    <message>
        <source>计算CRC</source>
        <translation>Get CRC</translation>
    </message>
    <message>
        <source>CRC高：</source>
        <translation>CRC high:</translation>
    </message>
    <message>
        <source>CRC低：</source>
        <translation>CRC low:</translation>
    </message>
    <message>
        <source>没有输入命令！</source>
        <translation>No command entered!</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>命令输入有误！</source>
        <translation>The command is wrong!</translation>
    </message>
    <message>
        <source>输入命令非十进制数！</source>
        <translation>The command is not in decimal numbers!</translation>
    </message>
    <message>
        <source>命令输入有误，请重新输入！</source>
        <translation>The command is wrong, please enter it again!</translation>
    </message>
    <message>
        <source>请输入十进制数！</source>
        <translation>Please enter decimal numbers!</translation>
    </message>
    <message>
        <source>请输入十六进制数！</source>
        <translation>Please enter hexadecimal numbers!</translation>
    </message>
    <message>
        <source>实时曲线</source>
        <translation>Live curve</translation>
    </message>
    <message>
        <source>历史曲线</source>
        <translation>History curve</translation>
    </message>
    <message>
        <source>T</source>
        <translation>T</translation>
    </message>
    <message>
        <source>设备列表</source>
        <translation>Device list</translation>
    </message>
    <message>
        <source>设备地址：</source>
        <translation>Device address:</translation>
    </message>
    <message>
        <source>增加设备</source>
        <translation>Add device</translation>
    </message>
    <message>
        <source>设备别名：</source>
        <translation>Device alias:</translation>
    </message>
    <message>
        <source>更改别名</source>
        <translation>Change alias</translation>
    </message>
    <message>
        <source>添加设备失败！<byte value="xd"/>
请重试!</source>
        <translation>Adding the device failed!<byte value="xd"/>
Please try again!</translation>
    </message>
    <message>
        <source>请输入1-255之间的设备地址</source>
        <translation>Please enter a device address from 1 to 255</translation>
    </message>
    <message>
        <source>请先在设备列表中点选要更名的设备</source>
        <translation>First click the device to rename in the device list</translation>
    </message>
    <message>
        <source>别名未能保存：</source>
        <translation>The alias was not saved: </translation>
    </message>
    <message>
        <source>ini文件(*.ini)|*.ini</source>
        <translation>ini files (*.ini)|*.ini</translation>
    </message>
    <message>
        <source>请选择配置文件！</source>
        <translation>Please choose a configuration file!</translation>
    </message>
    <message>
        <source>请输入文件名！</source>
        <translation>Please enter a file name!</translation>
    </message>
    <message>
        <source>配置文件有错<byte value="xd"/>
请重新设置参数！</source>
        <translation>The configuration file is faulty<byte value="xd"/>
Please set the parameters again!</translation>
    </message>
    <message>
        <source>无法读取配置文件：</source>
        <translation>Cannot read the configuration file: </translation>
    </message>
    <message>
        <source>无法写入配置文件：</source>
        <translation>Cannot write the configuration file: </translation>
    </message>
    <message>
        <source>轮询参数设置</source>
        <translation>Polling settings</translation>
    </message>
    <message>
        <source>轮询设置</source>
        <translation>Polling</translation>
    </message>
    <message>
        <source>起始地址</source>
        <translation>Start address</translation>
    </message>
    <message>
        <source>结束地址</source>
        <translation>End address</translation>
    </message>
    <message>
        <source>地址范围（1-255）</source>
        <translation>Address range (1-255)</translation>
    </message>
    <message>
        <source>轮询时间(S)：</source>
        <translation>Polling interval (s):</translation>
    </message>
    <message>
        <source>保存数据</source>
        <translation>Save data</translation>
    </message>
    <message>
        <source>载入历史配置</source>
        <translation>Load configuration</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>连通性测试</source>
        <translation>Connectivity test</translation>
    </message>
    <message>
        <source>日志记录</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>起始地址要小于255</source>
        <translation>The start address must be less than 255</translation>
    </message>
    <message>
        <source>结束地址不能大于255</source>
        <translation>The end address cannot be greater than 255</translation>
    </message>
    <message>
        <source>起始地址要小于结束地址!<byte value="xd"/>
请重新输入!</source>
        <translation>The start address must be less than the end address!<byte value="xd"/>
Please enter them again!</translation>
    </message>
    <message>
        <source>保存配置</source>
        <translation>Save configuration</translation>
    </message>
    <message>
        <source>是否保存当前轮询配置？</source>
        <translation>Save the current polling configuration?</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Addr</translation>
    </message>
    <message>
        <source>设备名称</source>
        <translation>Device name</translation>
    </message>
    <message>
        <source>通讯测试</source>
        <translation>Link test</translation>
    </message>
    <message>
        <source>状态：</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>数据输入错误！</source>
        <translation>Wrong entry!</translation>
    </message>
    <message>
        <source>地址设置成功</source>
        <translation>The address was set</translation>
    </message>
    <message>
        <source>重复次数：</source>
        <translation>Repeat count:</translation>
    </message>
    <message>
        <source>（0为一直重复,直到全部正常连接）</source>
        <translation>(0 repeats until all are connected)</translation>
    </message>
    <message>
        <source>开始测试</source>
        <translation>Start test</translation>
    </message>
    <message>
        <source>停止测试</source>
        <translation>Stop test</translation>
    </message>
    <message>
        <source>清空日志</source>
        <translation>Clear log</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>error: </source>
        <translation>error: </translation>
    </message>
    <message>
        <source>号设备连接正常！</source>
        <translation>: device connected!</translation>
    </message>
    <message>
        <source>号设备无法连接！</source>
        <translation>: device cannot be reached!</translation>
    </message>
    <message>
        <source>全部连接正常！</source>
        <translation>All devices connected!</translation>
    </message>
    <message>
        <source>重复次数请输入0或正整数</source>
        <translation>Please enter 0 or a positive whole number of repeats</translation>
    </message>
    <message>
        <source>设备类型未能保存到数据库：</source>
        <translation>The device type was not saved in the data base: </translation>
    </message>
    <message>
        <source>历史数据</source>
        <translation>History data</translation>
    </message>
    <message>
        <source>显示</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>起始日期：</source>
        <translation>Start date:</translation>
    </message>
    <message>
        <source>结束日期：</source>
        <translation>End date:</translation>
    </message>
    <message>
        <source>（不包含此天）</source>
        <translation>(this day not included)</translation>
    </message>
    <message>
        <source>（0代表全部）</source>
        <translation>(0 means all)</translation>
    </message>
    <message>
        <source>显示数据说明：</source>
        <translation>About the data shown:</translation>
    </message>
    <message>
        <source>导出数据说明：</source>
        <translation>About the data exported:</translation>
    </message>
    <message>
        <source>温湿度、一氧化碳、甲醛、硫化氢、氨气、二氧化氮数据为实际值的10倍.</source>
        <translation>Temperature, humidity, CO, HCHO, H2S, NH3 and NO2 are 10 times the actual value.</translation>
    </message>
    <message>
        <source>氧气、臭氧为实际值的100倍.</source>
        <translation>O2 and O3 are 100 times the actual value.</translation>
    </message>
    <message>
        <source>其它则为实际值.</source>
        <translation>The others are actual values.</translation>
    </message>
    <message>
        <source>地址不能大于255!</source>
        <translation>The address cannot be greater than 255!</translation>
    </message>
    <message>
        <source>设备地址不能为空!</source>
        <translation>The device address cannot be empty!</translation>
    </message>
    <message>
        <source>当前所选记录为空！</source>
        <translation>No records were found for this choice!</translation>
    </message>
    <message>
        <source>请重新选择！</source>
        <translation>Please choose again!</translation>
    </message>
    <message>
        <source>请等待数据处理完毕...</source>
        <translation>Please wait while the data is processed...</translation>
    </message>
    <message>
        <source>数据处理完毕,当前显示&#x3000;</source>
        <translation>Done, now showing </translation>
    </message>
    <message>
        <source>&#x3000;条数据！</source>
        <translation> records!</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>设备地址</source>
        <translation>Device address</translation>
    </message>
    <message>
        <source>txt文件(*.txt)|*.txt</source>
        <translation>txt files (*.txt)|*.txt</translation>
    </message>
    <message>
        <source>当前导出</source>
        <translation>Exported </translation>
    </message>
    <message>
        <source>条数据.</source>
        <translation> records.</translation>
    </message>
    <message>
        <source>读取时间</source>
        <translation>Read time</translation>
    </message>
    <message>
        <source>导出完毕！</source>
        <translation>Export finished!</translation>
    </message>
    <message>
        <source>数据保存在：</source>
        <translation>Data saved in: </translation>
    </message>
    <message>
        <source>起始日期“%1”无效！请按 年-月-日 输入，例如 2026-12-1 或 2026/12/1。</source>
        <translation>The start date &quot;%1&quot; is not valid! Please enter year-month-day, e.g. 2026-12-1 or 2026/12/1.</translation>
    </message>
    <message>
        <source>结束日期“%1”无效！请按 年-月-日 输入，例如 2026-12-1 或 2026/12/1。</source>
        <translation>The end date &quot;%1&quot; is not valid! Please enter year-month-day, e.g. 2026-12-1 or 2026/12/1.</translation>
    </message>
    <message>
        <source>无法写入文件 %1：%2</source>
        <translation>Cannot write the file %1: %2</translation>
    </message>
    <message>
        <source>Kestrel</source>
        <translation>Kestrel</translation>
    </message>
    <message>
        <source>通讯故障！</source>
        <translation>Communication fault!</translation>
    </message>
    <message>
        <source>通讯错误！</source>
        <translation>Communication error!</translation>
    </message>
    <message>
        <source>通讯端口(&amp;C)</source>
        <translation>&amp;Communication port</translation>
    </message>
    <message>
        <source>串口关闭</source>
        <translation>Port closed</translation>
    </message>
    <message>
        <source>关闭串口</source>
        <translation>Close port</translation>
    </message>
    <message>
        <source>打开串口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>成功打开</source>
        <translation> opened</translation>
    </message>
    <message>
        <source>应用程序出错!</source>
        <translation>Application error!</translation>
    </message>
    <message>
        <source>错误代号：</source>
        <translation>Error number: </translation>
    </message>
    <message>
        <source>错误描述：</source>
        <translation>Error description: </translation>
    </message>
    <message>
        <source>错误来源：</source>
        <translation>Error source: </translation>
    </message>
    <message>
        <source>错误行号：</source>
        <translation>Error line: </translation>
    </message>
    <message>
        <source>串口状态</source>
        <translation>Port status</translation>
    </message>
    <message>
        <source>轮询</source>
        <translation>Poll</translation>
    </message>
    <message>
        <source>结束</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Continue</translation>
    </message>
    <message>
        <source>号设备通迅超时！</source>
        <translation>: device timed out!</translation>
    </message>
    <message>
        <source>轮询数据未能保存：</source>
        <translation>The polled data was not saved: </translation>
    </message>
    <message>
        <source>定时读(s)</source>
        <translation>Timed read (s)</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>请输入一个大于0，小于600的数!</source>
        <translation>Please enter a number greater than 0 and less than 600!</translation>
    </message>
    <message>
        <source>温度</source>
        <translation>Temperature</translation>
    </message>
    <message>
        <source>湿度</source>
        <translation>Humidity</translation>
    </message>
    <message>
        <source>CO2</source>
        <translation>CO2</translation>
    </message>
    <message>
        <source>VOC</source>
        <translation>VOC</translation>
    </message>
    <message>
        <source>PM2.5</source>
        <translation>PM2.5</translation>
    </message>
    <message>
        <source>PM10</source>
        <translation>PM10</translation>
    </message>
    <message>
        <source>CO</source>
        <translation>CO</translation>
    </message>
    <message>
        <source>O2</source>
        <translation>O2</translation>
    </message>
    <message>
        <source>O3</source>
        <translation>O3</translation>
    </message>
    <message>
        <source>HCHO</source>
        <translation>HCHO</translation>
    </message>
    <message>
        <source>H2S</source>
        <translation>H2S</translation>
    </message>
    <message>
        <source>NH3</source>
        <translation>NH3</translation>
    </message>
    <message>
        <source>NO2</source>
        <translation>NO2</translation>
    </message>
    <message>
        <source>温度：</source>
        <translation>Temperature:</translation>
    </message>
    <message>
        <source>湿度：</source>
        <translation>Humidity:</translation>
    </message>
    <message>
        <source>CO2：</source>
        <translation>CO2:</translation>
    </message>
    <message>
        <source>VOC：</source>
        <translation>VOC:</translation>
    </message>
    <message>
        <source>PM2.5：</source>
        <translation>PM2.5:</translation>
    </message>
    <message>
        <source>PM10：</source>
        <translation>PM10:</translation>
    </message>
    <message>
        <source>CO：</source>
        <translation>CO:</translation>
    </message>
    <message>
        <source>氧气：</source>
        <translation>O2:</translation>
    </message>
    <message>
        <source>臭氧：</source>
        <translation>O3:</translation>
    </message>
    <message>
        <source>甲醛：</source>
        <translation>HCHO:</translation>
    </message>
    <message>
        <source>H2S：</source>
        <translation>H2S:</translation>
    </message>
    <message>
        <source>氨气：</source>
        <translation>NH3:</translation>
    </message>
    <message>
        <source>NO2：</source>
        <translation>NO2:</translation>
    </message>
    <message>
        <source>℃</source>
        <translation>℃</translation>
    </message>
    <message>
        <source>%</source>
        <translation>%</translation>
    </message>
    <message>
        <source>ppm</source>
        <translation>ppm</translation>
    </message>
    <message>
        <source>ug/m3</source>
        <translation>ug/m3</translation>
    </message>
    <message>
        <source>产品(&amp;P)</source>
        <translation>&amp;Product</translation>
    </message>
    <message>
        <source>温湿度</source>
        <translation>Temperature + humidity</translation>
    </message>
    <message>
        <source>二氧化碳</source>
        <translation>CO2</translation>
    </message>
    <message>
        <source>一氧化碳</source>
        <translation>CO</translation>
    </message>
    <message>
        <source>温湿度+二氧化碳</source>
        <translation>Temperature + humidity + CO2</translation>
    </message>
    <message>
        <source>氧气</source>
        <translation>O2</translation>
    </message>
    <message>
        <source>臭氧</source>
        <translation>O3</translation>
    </message>
    <message>
        <source>甲醛</source>
        <translation>HCHO</translation>
    </message>
    <message>
        <source>硫化氢</source>
        <translation>H2S</translation>
    </message>
    <message>
        <source>氨气</source>
        <translation>NH3</translation>
    </message>
    <message>
        <source>二氧化氮</source>
        <translation>NO2</translation>
    </message>
    <message>
        <source>自定义(需填写起始地址和长度)</source>
        <translation>Custom (enter the start address and the length)</translation>
    </message>
    <message>
        <source>地址：</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>设备名称：</source>
        <translation>Device name:</translation>
    </message>
    <message>
        <source>单个读取</source>
        <translation>Single read</translation>
    </message>
    <message>
        <source>长度</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>批号:</source>
        <translation>Batch:</translation>
    </message>
    <message>
        <source>编号:</source>
        <translation>Number:</translation>
    </message>
    <message>
        <source>日期:</source>
        <translation>Date:</translation>
    </message>
    <message>
        <source>起始地址请输入0-255之间的整数</source>
        <translation>Please enter a start address from 0 to 255</translation>
    </message>
    <message>
        <source>长度请输入1-125之间的整数</source>
        <translation>Please enter a length from 1 to 125</translation>
    </message>
    <message>
        <source>数据库文件 %1 无法打开：%2</source>
        <translation>The data base file %1 cannot be opened: %2</translation>
    </message>
    <message>
        <source>数据库文件 %1 操作失败：%2</source>
        <translation>The data base file %1 failed: %2</translation>
    </message>
    <message>
        <source>这是旧版 Access（Jet/ACE）格式的数据库，本程序不能读取。请将该文件移走或改名，程序会新建一个空数据库。</source>
        <translation>This is an old Access (Jet/ACE) data base, which this program cannot read. Move or rename the file and the program will create an empty data base.</translation>
    </message>
    <message>
        <source>该文件不是本程序的数据库文件（SQLite 格式）。</source>
        <translation>The file is not a data base of this program (SQLite format).</translation>
    </message>
    <message>
        <source>没有读取该文件的权限。</source>
        <translation>No permission to read the file.</translation>
    </message>
    <message>
        <source>无法在文件夹 %1 中建立数据库（文件夹不存在且无法创建，或没有写入权限）。</source>
        <translation>Cannot create the data base in the folder %1 (the folder is missing and cannot be created, or cannot be written).</translation>
    </message>
    <message>
        <source>无法建立新的数据库：%1</source>
        <translation>Cannot create a new data base: %1</translation>
    </message>
    <message>
        <source>缺少 SQLite 数据库驱动。</source>
        <translation>The SQLite data base driver is missing.</translation>
    </message>
    <message>
        <source>同名的文件夹或特殊文件占用了该文件名。</source>
        <translation>A folder or special file of the same name is in the way.</translation>
    </message>
    <message>
        <source>缺少数据表 %1。</source>
        <translation>The table %1 is missing.</translation>
    </message>
    <message>
        <source>数据库文件只读，无法写入。</source>
        <translation>The data base file is read-only and cannot be written.</translation>
    </message>
    <message>
        <source>数据库文件正被其他程序占用。</source>
        <translation>The data base file is in use by another program.</translation>
    </message>
    <message>
        <source>磁盘已满。</source>
        <translation>The disk is full.</translation>
    </message>
    <message>
        <source>SAVEPRO 中没有地址 %1 的记录。</source>
        <translation>SAVEPRO has no row for the address %1.</translation>
    </message>
    <message>
        <source>地址 %1 不在 1 到 255 之间。</source>
        <translation>The address %1 is not from 1 to 255.</translation>
    </message>
    <message>
        <source>日期无效。</source>
        <translation>The date is not valid.</translation>
    </message>
    <message>
        <source>读数未能写入数据库，%1 条读数保留在内存中，下次保存时再写。
%2</source>
        <translation>The readings were not written to the data base; %1 readings are kept in memory and written at the next save.
%2</translation>
    </message>
    <message>
        <source>数据库长时间无法写入，内存中最早的 %1 条读数已被丢弃。</source>
        <translation>The data base could not be written for a long time; the oldest %1 readings in memory were dropped.</translation>
    </message>
    <message>
        <source>导出完毕！共 %1 条温度记录。
数据保存在：%2</source>
        <translation>Export finished! %1 temperature records.
Data saved in: %2</translation>
    </message>
    <message>
        <source>导出文件 %1 已存在，未作任何改动。</source>
        <translation>The export file %1 already exists; nothing was changed.</translation>
    </message>
    <message>
        <source>无法建立导出文件夹 %1。</source>
        <translation>Cannot create the export folder %1.</translation>
    </message>
    <message>
        <source>无法写入导出文件 %1：%2</source>
        <translation>Cannot write the export file %1: %2</translation>
    </message>
    <message>
        <source>请输入表名！</source>
        <translation>Please enter a table name!</translation>
    </message>
    <message>
        <source>表名“%1”无效：只能使用字母、数字和下划线，不能以数字开头，最多 64 个字符。</source>
        <translation>The table name &quot;%1&quot; is not valid: only letters, digits and underscores, not starting with a digit, at most 64 characters.</translation>
    </message>
    <message>
        <source>数据表 %1 已存在！</source>
        <translation>The table %1 already exists!</translation>
    </message>
    <message>
        <source>已建立数据表 %1；SAVEPRO 中补入 %2 个地址，现有 255 个地址。</source>
        <translation>The table %1 was created; %2 addresses were added to SAVEPRO, which now has 255 addresses.</translation>
    </message>
    <message>
        <source>数据表 Data_RH 不存在！</source>
        <translation>The table Data_RH does not exist!</translation>
    </message>
    <message>
        <source>数据表 Data_RH 已有 MYNAME 或 MYCODE 列，未作改动。</source>
        <translation>The table Data_RH already has a MYNAME or MYCODE column; nothing was changed.</translation>
    </message>
    <message>
        <source>已在数据表 Data_RH 中添加 MYNAME 和 MYCODE 列。</source>
        <translation>The columns MYNAME and MYCODE were added to the table Data_RH.</translation>
    </message>
    <message>
        <source>维护(&amp;M)</source>
        <translation>&amp;Maintenance</translation>
    </message>
    <message>
        <source>导出温度记录(&amp;E)</source>
        <translation>&amp;Export temperature records</translation>
    </message>
    <message>
        <source>建立设备登记表(&amp;R)...</source>
        <translation>Create a device &amp;registry table...</translation>
    </message>
    <message>
        <source>扩充 Data_RH 表(&amp;X)</source>
        <translation>E&amp;xtend the Data_RH table</translation>
    </message>
    <message>
        <source>表名：</source>
        <translation>Table name:</translation>
    </message>
    <message>
        <source>SAVEPRO</source>
        <translation>SAVEPRO</translation>
    </message>
    <message>
        <source>这些读数未能保存。</source>
        <translation>These readings were not saved.</translation>
    </message>
    <message>
        <source>这些读数已另存为文本文件：</source>
        <translation>These readings were saved to a text file instead: </translation>
    </message>
    <message>
        <source>记录文件 %1 无法写入：%2</source>
        <translation>The record file %1 cannot be written: %2</translation>
    </message>
    <message>
        <source>未写入的 %1 条读数已另存为：%2</source>
        <translation>The %1 unwritten readings were saved instead as: %2</translation>
    </message>
    <message>
        <source>未写入的 %1 条读数未能另存。</source>
        <translation>The %1 unwritten readings could not be saved elsewhere.</translation>
    </message>
    <message>
        <source>无法建立文件夹</source>
        <translation>Cannot create the folder</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>WEB</source>
        <translation>WEB</translation>
    </message>
    <message>
        <source>微软雅黑</source>
        <translation>微软雅黑</translation>
    </message>
    <message>
        <source>当前版本为 v</source>
        <translation>Current version v</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>接收</source>
        <translation>Received</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>CRC错误</source>
        <translation>CRC error</translation>
    </message>
    <message>
        <source>地址错误</source>
        <translation>Wrong address</translation>
    </message>
    <message>
        <source>超时</source>
        <translation>Time-out</translation>
    </message>
    <message>
        <source>迟到</source>
        <translation>Late</translation>
    </message>
    <message>
        <source>异常应答</source>
        <translation>Exception reply</translation>
    </message>
    <message>
        <source>多余字节</source>
        <translation>Extra bytes</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>功能</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>响应(ms)</source>
        <translation>Response (ms)</translation>
    </message>
    <message>
        <source>结论</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>请求</source>
        <translation>Requests</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>Replies</translation>
    </message>
    <message>
        <source>最短(ms)</source>
        <translation>Min (ms)</translation>
    </message>
    <message>
        <source>平均(ms)</source>
        <translation>Mean (ms)</translation>
    </message>
    <message>
        <source>最长(ms)</source>
        <translation>Max (ms)</translation>
    </message>
    <message>
        <source>，最后正常读数：</source>
        <translation>, last good reading: </translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
    <message>
        <source>网络连接被拒绝</source>
        <translation>Network connection refused</translation>
    </message>
    <message>
        <source>找不到网络主机</source>
        <translation>Network host not found</translation>
    </message>
    <message>
        <source>网络连接超时</source>
        <translation>Network connection timed out</translation>
    </message>
    <message>
        <source>网络连接已断开</source>
        <translation>Network connection lost</translation>
    </message>
    <message>
        <source>网络连接出错</source>
        <translation>Network connection error</translation>
    </message>
    <message>
        <source>找不到该串口设备（不存在或已拔出）</source>
        <translation>The serial device was not found (it does not exist or was unplugged)</translation>
    </message>
    <message>
        <source>无权使用该串口，或串口已被其他程序占用</source>
        <translation>No permission to use the port, or it is in use by another program</translation>
    </message>
    <message>
        <source>该串口已经打开</source>
        <translation>The port is already open</translation>
    </message>
    <message>
        <source>串口设备已被移除（如USB转换器被拔出）</source>
        <translation>The serial device was removed (e.g. the USB adapter was unplugged)</translation>
    </message>
    <message>
        <source>波特率设置失败</source>
        <translation>The baud rate could not be set</translation>
    </message>
    <message>
        <source>读数未能即时存盘，将在下次保存时写入数据库；在此之前程序意外退出会丢失这些读数。
</source>
        <translation>The readings could not be stored at once; they will be written to the data base at the next save. Should the program end unexpectedly before then, they are lost.
</translation>
    </message>
    <message>
        <source>设备名称未能读取，轮询继续进行：
</source>
        <translation>The device names could not be read; polling goes on:
</translation>
    </message>
    <message>
        <source>程序结束时 %1 条读数未能写入数据库。
%2</source>
        <translation>At program end %1 readings could not be written to the data base.
%2</translation>
    </message>
    <message>
        <source>这些读数仍保存在 %1 中，下次启动程序时写入数据库。</source>
        <translation>These readings are still kept in %1 and are written to the data base at the next start.</translation>
    </message>
    <message>
        <source>上次程序意外退出时尚未写入数据库的 %1 条读数已写入数据库。</source>
        <translation>%1 readings not yet logged when the program last ended unexpectedly have been written to the data base.</translation>
    </message>
    <message>
        <source>上次程序意外退出时尚未写入数据库的 %1 条读数暂时无法写入，将在下次保存时再写：
%2</source>
        <translation>%1 readings not yet logged when the program last ended unexpectedly cannot be written now; they will be written at the next save:
%2</translation>
    </message>
    <message>
        <source>通讯监视</source>
        <translation>Bus monitor</translation>
    </message>
    <message>
        <source>通讯帧</source>
        <translation>Frames</translation>
    </message>
    <message>
        <source>统计</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <source>诊断日志</source>
        <translation>Diagnostic log</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>清零</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>文本文件 (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>导出失败：</source>
        <translation>Export failed: </translation>
    </message>
    <message>
        <source>站点：</source>
        <translation>Station:</translation>
    </message>
    <message>
        <source>数据库 %1 无法连接：%2</source>
        <translation>Cannot connect to the data base %1: %2</translation>
    </message>
    <message>
        <source>数据库 %1 操作失败：%2</source>
        <translation>Operation on the data base %1 failed: %2</translation>
    </message>
    <message>
        <source>缺少 PostgreSQL 数据库驱动（软件包 libqt6sql6-psql）。</source>
        <translation>The PostgreSQL data base driver is missing (package libqt6sql6-psql).</translation>
    </message>
    <message>
        <source>与数据库服务器的连接已断开。</source>
        <translation>The connection to the data base server was lost.</translation>
    </message>
    <message>
        <source>数据库服务器没有应答。</source>
        <translation>The data base server does not answer.</translation>
    </message>
    <message>
        <source>数据库地址“%1”无效，应为 postgresql://用户@主机[:端口]/数据库。</source>
        <translation>The data base address "%1" is not valid; expected postgresql://USER@HOST[:PORT]/DB.</translation>
    </message>
</context>
</TS>
