# Plain (Qt-free) sources of this folder go into orvalis_core.
target_sources(orvalis_core PRIVATE
    alerts/alert_mail.cpp
    alerts/alert_mail_worker.cpp
    alerts/browser_launch.cpp
    alerts/distribution_page_template.cpp
    alerts/error_message.cpp
    alerts/help_page_template.cpp
    alerts/help_pages.cpp
    alerts/html_escape.cpp
    alerts/mail_date.cpp
    alerts/mail_message.cpp
    alerts/page_text.cpp
    alerts/redirect_page_template.cpp
    alerts/smtp_client.cpp
    alerts/temporary_pages.cpp
    alerts/whole_file.cpp
)
