<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Sample</name>
    <message>
        <source>第一</source>
        <translation>First</translation>
    </message>
    <message>
        <source>第二</source>
        <translation type="unfinished">Second</translation>
    </message>
</context>
</TS>
