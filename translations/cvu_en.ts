<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Register</name>
    <message numerus="yes">
        <source>End of list: %n run(s).</source>
        <translation>
            <numerusform>End of list: %n run.</numerusform>
            <numerusform>End of list: %n runs.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>RegisterWindow</name>
    <message numerus="yes">
        <source>%n sensor(s): OK %1, due within %2 days %3, overdue %4, last run failed %5</source>
        <translation>
            <numerusform>%n sensor: OK %1, due within %2 days %3, overdue %4, last run failed %5</numerusform>
            <numerusform>%n sensors: OK %1, due within %2 days %3, overdue %4, last run failed %5</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1, serial number %2: %n run(s)</source>
        <translation>
            <numerusform>%1, serial number %2: %n run</numerusform>
            <numerusform>%1, serial number %2: %n runs</numerusform>
        </translation>
    </message>
</context>
</TS>
