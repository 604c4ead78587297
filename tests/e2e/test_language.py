"""The unattended run chooses its language from the user's locale and stores
it; an unknown locale warns and keeps the stored choice."""

import os

from harness import E2ETest, settings_bytes, wine_env


class LocaleChoice(E2ETest):
    def run_with_locale(self, locale, language, boxes):
        self.case.write("program/lmbackup.prefs", settings_bytes(BkUpDir="", Language=language))
        self.case.copy_lang()
        if os.path.exists(getattr(self.case, "box_log", "")):
            os.remove(self.case.box_log)
        env = {"LC_ALL": locale} if locale else {}
        os.environ.pop("LC_ALL", None)
        saved = dict(os.environ)
        os.environ.update(env)
        try:
            self.case.run("/b", boxes=boxes)
        finally:
            os.environ.clear()
            os.environ.update(saved)
        return self.case.read("lmbackup.prefs")

    def test_locale_sets_the_language(self):
        # (locale, stored before, stored after, boxes: the no-path box only)
        for locale, before, after in [("de_DE.UTF-8", 3, 2), ("nl_NL.UTF-8", 1, 0), (None, 2, 1)]:
            with self.subTest(locale=locale):
                prefs = self.run_with_locale(locale, before, ["ok"])
                self.assertEqual(prefs, settings_bytes(BkUpDir="", Language=after))

    def test_german_locale_logs_in_german(self):
        self.run_with_locale("de_DE.UTF-8", 1, ["ok"])
        german = self.case.boxes()[-1]
        self.assertNotEqual(german, ("Error", "No backup path defined."))
        self.assertTrue(self.case.log_lines()[-1].startswith(german[1]))

    def test_unknown_locale_warns_and_keeps_the_setting(self):
        prefs = self.run_with_locale("en_GB.UTF-8", 3, ["ok", "ok"])
        self.assertEqual(self.case.boxes()[0], ("Warning", "Language not found, defaulting to English."))
        self.assertEqual(self.case.boxes()[1], ("Error", "No backup path defined."))
        self.assertEqual(prefs, settings_bytes(BkUpDir="", Language=3))
