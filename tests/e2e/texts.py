"""The program's Russian texts (Windows-1251 in the program), written out here so
that a typo in the program still fails."""

TEXTS = {
    "no data": "Нет данных", "reading": "Температура в Ларвинске [%s] по Цельсию.",
    "no connection": "Нет соединения с сервером.", "invalid data": "Получены некорректные данные с сервера.",
    "settings": "Зарвило :: установки", "about": "Зарвило :: о программе",
    "chooser": "Выбор файла журнала", "all files": "Все файлы (*.*)",
}

# The captions and labels of the two dialogs, and the box that says what a save left unwritten.
LABELS = {
    "settings": {"OK", "Cancel", "адрес", ": порт", "Прокси", "использовать прокси сервер", "Источник", "обновлять каждые",
                 "минут", "Журнал", "вести журнал изменений температуры", "файл", "..."},
    "about": {"OK", "© 2003–2005 Зарвило", "Метеостанция г. Ларвинска", "Зарвило\nVersion 3.13\n\nBuild:  18.01.2005",
              "Спасибо:\nО. Кружилину,\nН. Веденеевой\nи всем, кто писал\nоб ошибках."},
}
UNSAVED = ("В кодовой странице системы нет некоторых символов, поэтому в файле Quorbel.cfg оставлены прежние значения: "
           "%s.\n\nНовые значения действуют до выхода из программы.")
