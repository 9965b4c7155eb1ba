<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- Qt's print-dialog texts that Qt's own Ukrainian translation (qtbase_uk) lacks. -->
<TS version="2.1" language="uk_UA">
<context>
    <name>QPrintSettingsOutput</name>
    <message>
        <source>Pages</source>
        <translation>Сторінки</translation>
    </message>
    <message>
        <source>Double Sided Printing</source>
        <translation>Двобічний друк</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Вимкнено</translation>
    </message>
    <message>
        <source>Long side binding</source>
        <translation>Переплет по довгому краю</translation>
    </message>
    <message>
        <source>Short side binding</source>
        <translation>Переплет по короткому краю</translation>
    </message>
</context>
<context>
    <name>QPrintPropertiesWidget</name>
    <message>
        <source>Advanced</source>
        <translation>Додатково</translation>
    </message>
</context>
<context>
    <name>QPrintPropertiesDialog</name>
    <message>
        <source>Advanced Option Conflicts</source>
        <translation>Суперечливі додаткові параметри</translation>
    </message>
    <message>
        <source>There are conflicts in some advanced options. Do you want to fix them?</source>
        <translation>Деякі додаткові параметри суперечать один одному. Виправити їх?</translation>
    </message>
    <message>
        <source>Page Setup Conflicts</source>
        <translation>Суперечливі параметри сторінки</translation>
    </message>
    <message>
        <source>There are conflicts in page setup options. Do you want to fix them?</source>
        <translation>Параметри сторінки суперечать один одному. Виправити їх?</translation>
    </message>
</context>
<context>
    <name>QPrintDialog</name>
    <message>
        <source>Specify pages or ranges separated by commas. Ranges are specified by two numbers separated by a hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.</source>
        <translation>Сторінки або діапазони через кому; діапазон — два числа через дефіс. Наприклад, 3,5-7,9 друкує сторінки 3, 5, 6, 7 і 9.</translation>
    </message>
    <message>
        <source>Invalid Pages Definition</source>
        <translation>Сторінки вказано неправильно</translation>
    </message>
    <message>
        <source>%1 does not follow the correct syntax. Please use &apos;,&apos; to separate ranges and pages, &apos;-&apos; to define ranges and make sure ranges do not intersect with each other.</source>
        <translation>«%1» записано неправильно. Відокремлюйте сторінки й діапазони комою, діапазон позначайте дефісом; діапазони не повинні перетинатися.</translation>
    </message>
    <message>
        <source>Duplex Settings Conflicts</source>
        <translation>Суперечливі параметри двобічного друку</translation>
    </message>
    <message>
        <source>There are conflicts in duplex settings. Do you want to fix them?</source>
        <translation>Параметри двобічного друку суперечать один одному. Виправити їх?</translation>
    </message>
    <message>
        <source>There are conflicts in some options. Please fix them.</source>
        <translation>Деякі параметри суперечать один одному. Виправте їх.</translation>
    </message>
</context>
</TS>
