<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>ApplyDecision</name>
    <message>
        <source>计时时间为0</source>
        <translation>The length is 0</translation>
    </message>
    <message>
        <source>设置无效，提醒时间大于计时时间</source>
        <translation>Invalid settings: the reminder is longer than the talk</translation>
    </message>
</context>
<context>
    <name>Bar</name>
    <message>
        <source>演讲倒计时</source>
        <translation>Talk Countdown</translation>
    </message>
    <message>
        <source>计时</source>
        <translation>Countdown</translation>
    </message>
</context>
<context>
    <name>BarMenu</name>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Continue</translation>
    </message>
    <message>
        <source>加一分钟</source>
        <translation>One minute more</translation>
    </message>
    <message>
        <source>减一分钟</source>
        <translation>One minute less</translation>
    </message>
</context>
<context>
    <name>Layout</name>
    <message>
        <source>计时时间：</source>
        <translation>Length:</translation>
    </message>
    <message>
        <source>分</source>
        <translation>min</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>提醒时刻：</source>
        <translation>Reminder:</translation>
    </message>
    <message>
        <source>不提醒</source>
        <translation>No reminder</translation>
    </message>
    <message>
        <source>提醒声音：</source>
        <translation>Sound:</translation>
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
        <source>无边框</source>
        <translation>No border</translation>
    </message>
    <message>
        <source>剩余</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>启动</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>Notice</name>
    <message>
        <source>时间到，谢谢！</source>
        <translation>Time&apos;s up, thank you!</translation>
    </message>
</context>
<context>
    <name>SoundChooser</name>
    <message>
        <source>选择wav文件</source>
        <translation>Choose a WAV file</translation>
    </message>
    <message>
        <source>声音文件(*.wav)</source>
        <translation>Sound files (*.wav)</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open file</translation>
    </message>
    <message>
        <source>文件格式不正确</source>
        <translation>Wrong file format</translation>
    </message>
</context>
</TS>
