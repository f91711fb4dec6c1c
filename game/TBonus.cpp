// Falling capsules: the chance and kind of a new one, the fall, the catch test and the effects.
#include "game/TBonus.h"

#include "game/GameGraphics.h"
#include "game/GameSounds.h"
#include "game/PlayField.h"
#include "game/TBall.h"
#include "game/TFramework.h"
#include "game/TPaddle.h"

#include "framework/system/Random.h"

namespace {
// r in 1..12 picks the kind: 2 % each for five kinds, 1 % for the exit and the extra life.
int32_t KindFor(int32_t r)
{
    static constexpr int32_t kinds[13] = {0,
                                          TBonus::multiBall,
                                          TBonus::multiBall,
                                          TBonus::freeze,
                                          TBonus::freeze,
                                          TBonus::escapeOpen,
                                          TBonus::lazer,
                                          TBonus::lazer,
                                          TBonus::increasedLenght,
                                          TBonus::increasedLenght,
                                          TBonus::slower,
                                          TBonus::slower,
                                          TBonus::extraLife};
    return kinds[r];
}

void BonusPoints()
{
    GameCommon::playFX(ExtraPointsSound);
    Score += 500;
}
}  // namespace

TBonusPtr TBonus::Create(int32_t x, int32_t y)
{
    const int32_t r = RandomInt(1, 100);
    if (r >= 13) return nullptr;
    auto bonus = std::make_shared<TBonus>();
    bonus->positionX = x;
    bonus->positionY = y;
    bonus->speedY = 2;
    bonus->bonusType = KindFor(r);
    bonus->bonusImage = bonus->SetBonusImage(bonus->bonusType);
    bonus->shadowImage = BonusShadowImage;
    BonusList->AddLast(bonus);
    return bonus;
}

void TBonus::UpdateBonuses()
{
    for (const auto& bonus : *BonusList) bonus->UpdateBonus();
}

void TBonus::CheckPaddleCollisions(const TPaddle& paddle)
{
    for (const auto& bonus : *BonusList) bonus->CheckCollision(paddle);
}

void TBonus::DrawBonuses()
{
    for (const auto& bonus : *BonusList) bonus->DrawBonus();
}

TImagePtr TBonus::SetBonusImage(int32_t kind)
{
    switch (kind) {
    case multiBall:
        bonusImage = BonusDImage;
        break;
    case freeze:
        bonusImage = BonusCImage;
        break;
    case escapeOpen:
        bonusImage = BonusXImage;
        break;
    case lazer:
        bonusImage = BonusLImage;
        break;
    case increasedLenght:
        bonusImage = BonusEImage;
        break;
    case slower:
        bonusImage = BonusSImage;
        break;
    case extraLife:
        bonusImage = BonusPImage;
        break;
    default:
        bonusImage = nullptr;
        break;
    }
    return bonusImage;
}

void TBonus::UpdateBonus()
{
    const int32_t newY = positionY + speedY;
    if (newY >= FieldBottom - ImageHeight(bonusImage) / 2) BonusList->Remove(this);
    positionY = newY;
}

void TBonus::DrawBonus() { TFramework::DrawShadowImage(bonusImage, shadowImage, positionX, positionY, 0); }

void TBonus::CheckCollision(const TPaddle& paddle)
{
    const int32_t W = ImageWidth(paddle.PaddleGfx), H = ImageHeight(paddle.PaddleGfx);
    const float s = PaddleScale;
    const float px = static_cast<float>(paddle.positionX), py = static_cast<float>(paddle.positionY);
    const int32_t padX = static_cast<int32_t>(px - static_cast<float>(W / 2) * s);
    const int32_t padY = static_cast<int32_t>(py - static_cast<float>(H / 2) * s);
    const int32_t padW = static_cast<int32_t>(static_cast<float>(W) * s);
    const int32_t padH = static_cast<int32_t>(static_cast<float>(H) * s);
    // As designed: only the capsule's lower-right quarter catches.
    const int32_t w = ImageWidth(bonusImage), h = ImageHeight(bonusImage);
    if (TFramework::RectsOverlap(padX, padY, padW, padH, positionX, positionY, w / 2, h / 2) != 1) return;

    bool launch = true;
    switch (bonusType) {
    case multiBall:
        if (BallList->Count() < 3) {
            TBall::CreateMultiball();
            PaddleState = TPaddle::normal;
            playFX(TripleBallSound);
        } else {
            BonusPoints();
        }
        break;
    case freeze:
        launch = false;
        if (PaddleState != TPaddle::freeze) {
            PaddleState = TPaddle::freeze;
            playFX(FreezeModeSound);
        } else {
            BonusPoints();
        }
        break;
    case escapeOpen:
        EscapeState = EscapeOpen_Open;
        playFX(EscapeGrantedSound);
        break;
    case lazer:
        if (PaddleState != TPaddle::lazer) {
            PaddleState = TPaddle::lazer;
            playFX(GunEnabledSound);
        } else {
            BonusPoints();
        }
        break;
    case increasedLenght:
        if (PaddleState != TPaddle::extended) {
            PaddleState = TPaddle::extended;
            playFX(SizeIncreaseSound);
        } else {
            BonusPoints();
        }
        break;
    case slower:
        if (SpeedFactor > 1) {
            SpeedFactor -= 1;
            playFX(SlowModeSound);
        } else {
            BonusPoints();
        }
        PaddleState = TPaddle::normal;
        break;
    case extraLife:
        if (Lives < 6) {
            Lives += 1;
            playFX(ExtraLifeSound);
            PaddleState = TPaddle::normal;
        } else {
            playFX(ExtraPointsSound);
            Score += 10000;
        }
        break;
    default:
        break;
    }
    BonusList->Remove(this);
    if (launch) TBall::StartMoves();
}
