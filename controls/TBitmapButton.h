#pragma once
// A push button drawn from pictures: one for each of the normal, pressed,
// hover and disabled states, with the caption beside the picture. The caption
// turns grey while the button is disabled.
#include <QAbstractButton>
#include <QPixmap>

namespace vorn {

class TBitmapButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit TBitmapButton(const QString& caption, QWidget* parent = nullptr);

  void SetPictures(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                   const QPixmap& disabled);
  // The four pictures made from one glyph: pressed darker and shifted, hover
  // lighter, disabled in grey.
  void SetGlyph(const QPixmap& glyph);

  // The picture the button shows now.
  const QPixmap& CurrentPicture() const;
  QColor CaptionColor() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QPixmap normal_, pressed_, hover_, disabled_;
  bool hovered_ = false;
};

}  // namespace vorn
