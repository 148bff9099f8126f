#pragma once
// GUI tests of the Administrator: a demo installation and the program
// signed in to it, as an administrator or as a user.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QString>
#include <memory>

#include "administrator_app.h"
#include "demo_data.h"
#include "message_service.h"
#include "sign_in_window.h"
#include "test_tables.h"
#include "when_shown.h"

namespace admin_testing {

inline ui::MessageService& ms() { return ui::MessageService::instance(); }

struct SignedIn {
  testing_tables::TempDir tmp;
  demo::Installation made;
  std::unique_ptr<administrator::AdministratorApp> app;

  explicit SignedIn(common::SignIn as = common::SignIn::Administrator) {
    EXPECT_EQ(demo::make(tmp / "demo", made), "");
    ms().script({});
    ms().clearShown();
    app = std::make_unique<administrator::AdministratorApp>(QString::fromStdString(made.directory));
    const bool admin = as == common::SignIn::Administrator;
    whenShown<common::SignInWindow>([&](common::SignInWindow* w) {
      w->status()->setCurrentText(admin ? QStringLiteral("Администратор") : QStringLiteral("Пользователь"));
      w->password()->setText(QString::fromStdString(admin ? made.adminPassword : made.userPassword));
      w->accept();
    });
    EXPECT_TRUE(app->start());
    EXPECT_EQ(app->signedInAs(), as);
  }
  ~SignedIn() { ms().script({}); }

  setup::Installation installation() const { return app->installation(); }
};

}  // namespace admin_testing
