# a comment
Form frmSmall {
    Caption: "Small \"one\""
    Width: 4000 Height: 3000 KeyPreview: true
    Frame fraPage(0) {
        Width: 3000 Height: 2000
        TextBox txtName { Text: "a\tb" MultiLine: true Width: 900 Height: 300 }
        OptionButton optA { Value: true Width: 900 Height: 300 }
    }
    PictureBox picBar {
        Width: 4000 Height: 500 Top: 2000
        CommandButton cmdGo(2) { Caption: "Go" Cancel: true Width: 900 Height: 300 }
    }
    ImageList img { ListImages: ["user_dsn", "system_dsn"] }
}
