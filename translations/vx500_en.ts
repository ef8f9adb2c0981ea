<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>vx::Downloader</name>
    <message numerus="yes">
        <source>%n record(s)</source>
        <translation>
            <numerusform>%n record</numerusform>
            <numerusform>%n records</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>vx::ctl::Download</name>
    <message numerus="yes">
        <source>%n record(s) with a first field too large for a number (more than eight hexadecimal digits), written as they came</source>
        <translation>
            <numerusform>%n record with a first field too large for a number (more than eight hexadecimal digits), written as it came</numerusform>
            <numerusform>%n records with a first field too large for a number (more than eight hexadecimal digits), written as they came</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>vx::ctl::Scan</name>
    <message numerus="yes">
        <source>%n number(s) answered with data that could not be read</source>
        <translation>
            <numerusform>%n number answered with data that could not be read</numerusform>
            <numerusform>%n numbers answered with data that could not be read</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>vx::ctl::Watch</name>
    <message numerus="yes">
        <source>%n record(s) not downloaded: %1 cannot take them</source>
        <translation>
            <numerusform>%n record not downloaded: %1 cannot take it</numerusform>
            <numerusform>%n records not downloaded: %1 cannot take them</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n record(s) not downloaded: %1 cannot take them%2</source>
        <translation>
            <numerusform>%n record not downloaded: %1 cannot take it%2</numerusform>
            <numerusform>%n records not downloaded: %1 cannot take them%2</numerusform>
        </translation>
    </message>
</context>
</TS>
