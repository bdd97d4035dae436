# Plain (Qt-free) sources of this folder go into orvalis_core.
target_sources(orvalis_core PRIVATE
    alerts/alert_mail.cpp
    alerts/alert_mail_worker.cpp
    alerts/mail_date.cpp
    alerts/mail_message.cpp
    alerts/smtp_client.cpp
    alerts/temporary_pages.cpp
)
