"""The program's Russian texts (Windows-1251 in the program), written out here so
that a typo in the program still fails."""

TEXTS = {
    "no data": "Нет данных", "reading": "Температура в Ларвинске [%s] по Цельсию.",
    "no connection": "Нет соединения с сервером.", "invalid data": "Получены некорректные данные с сервера.",
    "settings": "Зарвило :: установки", "about": "Зарвило :: о программе",
    "chooser": "Выбор файла журнала", "all files": "Все файлы (*.*)",
}
