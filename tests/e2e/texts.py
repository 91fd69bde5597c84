"""The program's Russian texts as the tests expect them: written out here, not
read back from the program, so that a typo in the program still fails. The
program holds them as Windows-1251 bytes."""

TEXTS = {
    "no data": "Нет данных", "reading": "Температура в Ларвинске [%s] по Цельсию.",
    "no connection": "Нет соединения с сервером.", "invalid data": "Получены некорректные данные с сервера.",
    "settings": "Зарвило :: установки", "about": "Зарвило :: о программе",
    "chooser": "Выбор файла журнала", "all files": "Все файлы (*.*)",
}
