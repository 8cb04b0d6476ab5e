<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="ru_RU">
<context>
    <name>WindowProgress</name>
    <message>
        <source>Обработка файла. Поиск объектов. Пожалуйста подождите...</source>
        <translation>Reading the file. Finding objects. Please wait...</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Ошибка при обработке файла</source>
        <translation>Error while reading the file</translation>
    </message>
    <message>
        <source>Изменение конечного уровня объектов. Пожалуйста подождите...</source>
        <translation>Changing the objects&apos; end levels. Please wait...</translation>
    </message>
    <message>
        <source>Изменение OK</source>
        <translation>Change OK</translation>
    </message>
</context>
<context>
    <name>WindowTexts</name>
    <message numerus="yes">
        <source>%1 объектов</source>
        <comment>a count of map objects</comment>
        <translation>
            <numerusform>%1 object</numerusform>
            <numerusform>%1 objects</numerusform>
        </translation>
    </message>
    <message>
        <source>нет объектов на карте</source>
        <translation>no objects in the map</translation>
    </message>
    <message>
        <source>нет</source>
        <comment>no EndLevel line</comment>
        <translation>none</translation>
    </message>
    <message>
        <source>%1, EndLevel %2</source>
        <translation>%1, EndLevel %2</translation>
    </message>
    <message>
        <source>Внимание: %1 с EndLevel ниже уровня своих координат (первый кончается в строке %2)</source>
        <translation>Warning: %1 with an EndLevel below the level of their coordinates (the first ends at line %2)</translation>
    </message>
    <message>
        <source>Внимание: %1 с EndLevel на верхнем уровне %2 или выше (первый кончается в строке %3)</source>
        <translation>Warning: %1 with an EndLevel at the top level %2 or above (the first ends at line %3)</translation>
    </message>
    <message>
        <source>Внимание: карта кончается внутри объекта, открытого в строке %1</source>
        <translation>Warning: the map ends inside an object opened at line %1</translation>
    </message>
    <message>
        <source>вставлено %1, заменено %2, без изменений %3</source>
        <translation>%1 inserted, %2 replaced, %3 unchanged</translation>
    </message>
    <message>
        <source>Точка</source>
        <translation>POI</translation>
    </message>
    <message>
        <source>Полилиния</source>
        <translation>Polyline</translation>
    </message>
    <message>
        <source>Полигон</source>
        <translation>Polygon</translation>
    </message>
    <message>
        <source>%1 %2: уровень %3; %4</source>
        <translation>%1 %2: level %3; %4</translation>
    </message>
    <message>
        <source>Типов без изменений: %1</source>
        <translation>Unchanged types: %1</translation>
    </message>
    <message>
        <source>Число уровней: %1 -&gt; %2</source>
        <translation>Levels: %1 -&gt; %2</translation>
    </message>
    <message>
        <source>Словарь: удалён</source>
        <translation>Dictionary: removed</translation>
    </message>
    <message>
        <source>Словарь: заменён</source>
        <translation>Dictionary: replaced</translation>
    </message>
    <message>
        <source>Словарь: вставлен</source>
        <translation>Dictionary: inserted</translation>
    </message>
    <message>
        <source>Итого: %1</source>
        <translation>Total: %1</translation>
    </message>
    <message>
        <source>… и ещё %1</source>
        <translation>… and %1 more</translation>
    </message>
    <message>
        <source>%1: уровень %2, %3</source>
        <translation>%1: level %2, %3</translation>
    </message>
    <message>
        <source>Карты набора дают типу разные уровни</source>
        <translation>The maps of the set give the type different levels</translation>
    </message>
    <message>
        <source>%1: ошибка: %2</source>
        <translation>%1: error: %2</translation>
    </message>
    <message>
        <source>%1: EndLevel вставлено %2, заменено %3, без изменений %4</source>
        <translation>%1: EndLevel inserted %2, replaced %3, unchanged %4</translation>
    </message>
    <message>
        <source>; внимание: %1</source>
        <translation>; warning: %1</translation>
    </message>
    <message>
        <source>Внимание: второй EndLevel в объекте (строк: %1, первая %2); Process меняет только последний</source>
        <translation>Warning: a second EndLevel line in an object (lines: %1, the first %2); Process sets only the last one</translation>
    </message>
    <message>
        <source>Внимание: EndLevel в другом регистре (строк: %1, первая %2); Process добавляет EndLevel рядом</source>
        <translation>Warning: EndLevel in another letter case (lines: %1, the first %2); Process adds an EndLevel line beside it</translation>
    </message>
    <message>
        <source>Внимание: карта обрывается внутри строки начала объекта (строка %1)</source>
        <translation>Warning: the map ends inside an opener line (line %1)</translation>
    </message>
    <message>
        <source>Внимание: новый заголовок уровней заменяет строку %1, которая завершает заголовок; в карте не будет [END-IMG ID]</source>
        <translation>Warning: the new level header takes the place of line %1, which ends the header; the map will have no [END-IMG ID]</translation>
    </message>
    <message>
        <source>Внимание: вместе с разделом словаря в строке %1 удаляются строки, которые к словарю не относятся</source>
        <translation>Warning: the dictionary section removed at line %1 takes lines that are not the dictionary's with it</translation>
    </message>
</context>
<context>
    <name>stratex::LevelsModel</name>
    <message>
        <source>Слой</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>GPS zoom</source>
        <translation>GPS zoom</translation>
    </message>
</context>
<context>
    <name>stratex::PreviewWindow</name>
    <message>
        <source>Просмотр</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>Вся карта</source>
        <translation>Fit to map</translation>
    </message>
    <message>
        <source>Показать всю карту (Home)</source>
        <translation>Show the whole map (Home)</translation>
    </message>
    <message>
        <source>Слой:</source>
        <translation>Level:</translation>
    </message>
    <message>
        <source>Нарисовано объектов: %1, скрыто: %2</source>
        <translation>Objects drawn: %1, hidden: %2</translation>
    </message>
    <message>
        <source>; не прочитано строк координат: %1 (%2)</source>
        <translation>; coordinate lines not read: %1 (%2)</translation>
    </message>
    <message>
        <source>; не нарисовано: </source>
        <translation>; not drawn: </translation>
    </message>
    <message>
        <source>Чтение координат карты...</source>
        <translation>Reading the map&apos;s coordinates...</translation>
    </message>
    <message>
        <source>Координаты карты не прочитаны: %1</source>
        <translation>The map&apos;s coordinates were not read: %1</translation>
    </message>
</context>
<context>
    <name>stratex::TMainForm</name>
    <message>
        <source>Polish Map (*.mp)</source>
        <translation>Polish Map (*.mp)</translation>
    </message>
    <message>
        <source>Text Files (*.txt)</source>
        <translation>Text Files (*.txt)</translation>
    </message>
    <message>
        <source>MP levels config (*.cfg)</source>
        <translation>MP levels config (*.cfg)</translation>
    </message>
    <message>
        <source>Open MAP</source>
        <translation>Open MAP</translation>
    </message>
    <message>
        <source>Process</source>
        <translation>Process</translation>
    </message>
    <message>
        <source>Save MAP</source>
        <translation>Save MAP</translation>
    </message>
    <message>
        <source>Open CFG</source>
        <translation>Open CFG</translation>
    </message>
    <message>
        <source>Save CFG</source>
        <translation>Save CFG</translation>
    </message>
    <message>
        <source>Save DIC</source>
        <translation>Save DIC</translation>
    </message>
    <message>
        <source>Последний слой должен быть пустым!!!</source>
        <translation>The last level must be empty!!!</translation>
    </message>
    <message>
        <source>Показать все объекты</source>
        <translation>Show all objects</translation>
    </message>
    <message>
        <source>Работа с [DICTIONARY]</source>
        <translation>Use [DICTIONARY]</translation>
    </message>
    <message>
        <source>Утилита предназначена для распределения по слоям обектов Polish Map.
Каждому типу объктов можно указать видимость до конкретного слоя.
Все, что делает программа - это устанавливает объектам карты значение &quot;EndLevel=&quot; указанное пользователем, либо формирует раздел [DICTIONARY].</source>
        <translation>The utility distributes the objects of a Polish Map over its levels.
Each type of object can be made visible up to a chosen level.
All the program does is set the &quot;EndLevel=&quot; value the user chose on the objects of the map, or build its [DICTIONARY] section.</translation>
    </message>
    <message>
        <source>Stratex %1: слои объектов карты
© Разработчики Stratex</source>
        <translation>Stratex %1: map object levels
© The Stratex developers</translation>
    </message>
    <message>
        <source>Точки</source>
        <translation>Points</translation>
    </message>
    <message>
        <source>Полилинии</source>
        <translation>Polylines</translation>
    </message>
    <message>
        <source>Полигоны</source>
        <translation>Polygons</translation>
    </message>
    <message>
        <source>до Level%1</source>
        <translation>up to Level%1</translation>
    </message>
    <message>
        <source>Добавить слой (после)</source>
        <translation>Add a level (after)</translation>
    </message>
    <message>
        <source>Удалить слой</source>
        <translation>Remove the level</translation>
    </message>
    <message>
        <source>Просмотр</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>Язык</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Как в системе</source>
        <translation>As the system</translation>
    </message>
    <message>
        <source>Файл не сохранен. Выйти?</source>
        <translation>The file is not saved. Quit?</translation>
    </message>
    <message>
        <source>Подтверждение</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>Этот файл не Polish MAP!!!</source>
        <translation>This file is no Polish MAP!!!</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Файл уже существует! Заменить?</source>
        <translation>The file exists already! Replace it?</translation>
    </message>
    <message>
        <source>Внимание!</source>
        <translation>Warning!</translation>
    </message>
    <message>
        <source>Уровни изменены после Process</source>
        <translation>Levels changed since Process</translation>
    </message>
    <message>
        <source>Заголовки уровней карт набора различаются; показан заголовок первой карты</source>
        <translation>The maps of the set have different level headers; the first map&apos;s is shown</translation>
    </message>
    <message>
        <source>Папка для карт набора</source>
        <translation>Folder for the maps of the set</translation>
    </message>
    <message>
        <source>%1 и ещё %2</source>
        <translation>%1 and %2 more</translation>
    </message>
    <message>
        <source>Обработанная карта не сохранена. Сохранить её?</source>
        <translation>The processed map has not been saved. Save it?</translation>
    </message>
    <message>
        <source>Уровни объектов изменены и не сохранены. Сохранить их в файл уровней?</source>
        <translation>The object levels have changed and are not saved. Save them to a level config file?</translation>
    </message>
    <message>
        <source>Несохранённые изменения</source>
        <translation>Unsaved changes</translation>
    </message>
    <message>
        <source>Выбранные уровни ещё не применены к карте. Выполнить Process перед сохранением?</source>
        <translation>The chosen levels have not been applied to the map yet. Run Process before saving?</translation>
    </message>
    <message>
        <source>Process отменён: карта не изменилась</source>
        <translation>Process cancelled: the map has not changed</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Запись карты в %1. Пожалуйста подождите...</source>
        <translation>Writing the map to %1. Please wait...</translation>
    </message>
    <message>
        <source>Карта не записана</source>
        <translation>The map was not written</translation>
    </message>
    <message>
        <source>Карта записана в %1</source>
        <translation>The map was written to %1</translation>
    </message>
    <message>
        <source>Запись карты отменена: файл не изменился</source>
        <translation>Saving the map cancelled: the file has not changed</translation>
    </message>
    <message>
        <source>Файл уровней %1 применён, кроме строк:</source>
        <translation>The level config %1 was applied except for these lines:</translation>
    </message>
    <message>
        <source>строка %1: уровень «%2» не целое число</source>
        <translation>line %1: the level &apos;%2&apos; is not a whole number</translation>
    </message>
    <message>
        <source>строка %1: «%2» не называет тип из списков</source>
        <translation>line %1: &apos;%2&apos; names no type of the lists</translation>
    </message>
    <message>
        <source>строка %1: «%2» не называет тип из списков; может быть, «%3»?</source>
        <translation>line %1: &apos;%2&apos; names no type of the lists; did you mean &apos;%3&apos;?</translation>
    </message>
    <message>
        <source>… и ещё %1</source>
        <translation>… and %1 more</translation>
    </message>
    <message>
        <source>Уровни записаны в %1</source>
        <translation>The levels were written to %1</translation>
    </message>
    <message>
        <source>Совет</source>
        <translation>Advise</translation>
    </message>
    <message>
        <source>Совет: предложить каждому типу уровень по размерам его объектов</source>
        <translation>Advise: propose each type a level from the sizes of its objects</translation>
    </message>
    <message>
        <source>Принять</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Принять: дать выделенным типам (или всем) предложенные уровни</source>
        <translation>Apply: give the selected types (or all) their proposed levels</translation>
    </message>
    <message>
        <source>Совет по уровням</source>
        <translation>Advise levels</translation>
    </message>
    <message>
        <source>Принять совет</source>
        <translation>Apply the advice</translation>
    </message>
</context>
<context>
    <name>stratex::TypeListModel</name>
    <message>
        <source>До слоя</source>
        <translation>Up to</translation>
    </message>
    <message>
        <source>Тип</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Название</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Уровень изменён последним Process</source>
        <translation>Level changed by the last Process</translation>
    </message>
    <message>
        <source>Совет: до Level%1 (%2)</source>
        <translation>Advice: up to Level%1 (%2)</translation>
    </message>
</context>
</TS>
