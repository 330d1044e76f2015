<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>TestCatalogue</name>
    <message>
        <source>Connection</source>
        <translation>Соединение</translation>
    </message>
</context>
</TS>
