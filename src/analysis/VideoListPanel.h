#pragma once

#include <QSet>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;
class VideoListFilter;
class VideoListModel;
struct VideoList;

// The video tab's view of a list of videos, in place of one video's details: the list's title,
// uploader and count, the checklist "Videos in this list" with its filter and its "Select all" and
// "Select none" buttons, one choice of quality for the whole list, whether the videos go into a
// folder named after the list, and "Download selected". The checklist is a model with a view, so
// a list of thousands of entries shows at once.
class VideoListPanel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VideoListPanel)

public:
    explicit VideoListPanel(QWidget *parent = nullptr);
    ~VideoListPanel() override;

    // archived: the download archive's lines; the entries it holds start unchecked and marked.
    void showList(const VideoList &list, const QSet<QString> &archived);
    void clear();

    VideoListModel *model() const { return m_model; }
    VideoListFilter *filter() const { return m_filter; }
    int choice() const; // ListChoice::Choice
    bool intoListFolder() const;

    QLabel *lblListTitle = nullptr;
    QLabel *lblListUploader = nullptr;
    QLabel *lblListCount = nullptr;
    QLabel *lblListSelected = nullptr;
    QLineEdit *txtListFilter = nullptr;
    QTreeView *tvwListVideos = nullptr;
    QPushButton *cmdSelectAll = nullptr;
    QPushButton *cmdSelectNone = nullptr;
    QComboBox *cboListQuality = nullptr;
    QCheckBox *chkListFolder = nullptr;
    QPushButton *cmdDownloadSelected = nullptr;

Q_SIGNALS:
    void downloadSelected(); // "Download selected" was pressed with at least one entry checked

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupUi();
    void checkedCountChanged(int count);

    VideoListModel *m_model;
    VideoListFilter *m_filter;
};
